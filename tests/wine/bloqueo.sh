#!/usr/bin/env bash
# The failure path under Wine: "Zelvano.exe" held open without sharing, as a
# running program holds it, cannot be deleted; the user sees the three
# dialogs, the rollback puts everything back and the wizard ends with
# status 0. The save step stops before deleting anything and before the
# archive is unpacked, and the rollback removes both working folders and
# restores the earlier Temp content, so the installation must come back
# file for file as it was (the log file aside: this path writes none).
source "$(dirname "$0")/comun.sh"

instala 20.21.1.5 TERMINAL1 SERVIDOR
antes="$(listado)"
registro_antes="$(wine reg query "$CLAVE_PRODUCTO" /s 2>&1 | tr -d '\r')"

wine "$AYUDANTE_WIN" bloquea 'C:\Zelvano\Zelvano.exe' 600 >"$TMP_PRUEBA/bloqueo.out" 2>&1 &
pid_bloqueo=$!
fin=$((SECONDS + 60))
until grep -q bloqueado "$TMP_PRUEBA/bloqueo.out" 2>/dev/null; do
  kill -0 "$pid_bloqueo" 2>/dev/null || aborta "no se pudo bloquear Zelvano.exe: $(cat "$TMP_PRUEBA/bloqueo.out")"
  [ "$SECONDS" -lt "$fin" ] || aborta "el bloqueo de Zelvano.exe no llegó a tiempo"
  sleep 0.2
done

arranca_asistente bloqueo
usuario espera-ventana frmAviso 120
usuario marca frmAviso "He Leído y Entendido"
usuario pulsa-y-cierra frmAviso "» Siguiente"
usuario pulsa fV "Iniciar Actualización"

igual "primer diálogo" $'\nZelvano está en ejecución.' "$(dialogo dialogo-73)"
usuario pulsa-y-cierra frmDialogo Aceptar
igual "segundo diálogo" \
  $'\nHa sucedido un Error en el proceso de Actualización.\nSe procederá a deshacer todos los Procesos realizados.' \
  "$(dialogo bloqueo-dialogo-33)"
usuario pulsa-y-cierra frmDialogo Aceptar
igual "tercer diálogo" $'\nSe han restaurado todos sus Datos Anteriores.Saldrá del programa de Actualización' \
  "$(dialogo bloqueo-dialogo-73-final)"
captura bloqueo-ventana_principal-reponer fV
usuario pulsa frmDialogo Aceptar
estado="$(espera_fin bloqueo 120)" || aborta "el asistente no terminó tras la restauración"
igual "estado de salida tras la restauración" 0 "$estado"

kill "$pid_bloqueo" 2>/dev/null
wait "$pid_bloqueo" 2>/dev/null

despues="$(listado)"
if [ "$antes" != "$despues" ]; then
  falla "la instalación restaurada difiere de la de antes:
$(diff <(echo "$antes") <(echo "$despues"))"
fi
no_hay "$APP/Temp_V_Ant"
no_hay "$APP/Temp/202103_202128"
igual "clave del producto tras la restauración" "$registro_antes" "$(wine reg query "$CLAVE_PRODUCTO" /s 2>&1 | tr -d '\r')"

termina_prueba
