#!/usr/bin/env bash
# The window keeps answering through a whole update of a client whose
# "Datos" holds one large file: a helper asks the window again and again,
# as the system does to decide that a program no longer responds, from the
# start of the run to the final screen. The longest question left
# unanswered, across the large copy and the fixed pauses, stays under one
# second.
source "$(dirname "$0")/comun.sh"

instala 20.21.1.5 TERMINAL1 SERVIDOR
# Sparse: it costs disk only for the copy the save makes of it, and is large
# enough that the copy takes seconds.
truncate -s 1G "$APP/Datos/Historico.dat" || aborta "no se pudo crear el fichero grande"

arranca_asistente respuesta
usuario espera-ventana frmAviso 120
usuario marca frmAviso "He Leído y Entendido"
usuario pulsa-y-cierra frmAviso "» Siguiente"
usuario pulsa fV "Iniciar Actualización"
medida="$(ayudante sondea fV frm_Final 600)" || aborta "no se pudo sondear la ventana: $(error_ayudante)"
read -r peor respuestas <<<"$(tr -d '\r' <<<"$medida")"
echo "respuesta: la pregunta más larga sin contestar, $peor ms ($respuestas preguntas)"
[ "${peor:-99999}" -lt 1000 ] 2>/dev/null || falla "la ventana dejó una pregunta sin contestar $peor ms"
[ "${respuestas:-0}" -gt 20 ] 2>/dev/null || falla "solo $respuestas preguntas contestadas durante la actualización"

usuario espera-ventana frm_Final 300
usuario marca frm_Final "He Leído y Entendido"
usuario pulsa frm_Final Aceptar
acepta_dialogo "Suscríbase a nuestro Canal YouTube para estar informado de Nuevos Video Tutoriales." ""
estado="$(espera_fin respuesta 120)" || aborta "el asistente no terminó tras la pantalla final"
igual "estado de salida" 0 "$estado"
cmp -s "$APP/Datos/Historico.dat" "$APP/Temp/202103_202128/Datos/Historico.dat" ||
  falla "la copia guardada del fichero grande no es igual al original"

termina_prueba
