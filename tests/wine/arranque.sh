#!/usr/bin/env bash
# Start-up under Wine: an installation whose version is not upgradable is
# refused with its message and left untouched; a second copy started while
# the first shows its window ends at once with status 0 and no window; the
# first copy's "Salir" leaves the installation as it was.
source "$(dirname "$0")/comun.sh"

# ---- a version above the range
instala 20.21.2.0 TERMINAL1 SERVIDOR
antes="$(listado)"
arranca_asistente rechazo
t="$(dialogo dialogo-33)"
igual "mensaje de versión no actualizable" $'\nSolo las Versiones entre 20.21.0.3 y 20.21.1.8\nde Zelvano son actualizables.' "$t"
ayudante existe-ventana fV >/dev/null && falla "la ventana principal se muestra aunque la versión no es actualizable"
usuario pulsa frmDialogo Aceptar
estado="$(espera_fin rechazo 60)" || aborta "el asistente sigue en marcha tras rechazar la versión"
igual "estado de salida tras rechazar la versión" 0 "$estado"
igual "instalación tras rechazar la versión" "$antes" "$(listado)"

# ---- a second copy while the first one waits
instala 20.21.1.5 TERMINAL1 SERVIDOR
antes="$(listado)"
arranca_asistente primera
usuario espera-ventana frmAviso 120
arranca_asistente segunda
estado="$(espera_fin segunda 60)" || aborta "la segunda copia no terminó"
igual "estado de salida de la segunda copia" 0 "$estado"
principales="$(ayudante lista | grep -c '^ZelvanoPrincipal ')"
igual "ventanas principales con dos copias arrancadas" 1 "$principales"
ayudante existe-ventana frmAviso >/dev/null || falla "el aviso de la primera copia desapareció"

# The notice can only be left once its box is ticked.
igual "«» Siguiente» antes de marcar" "visible=1 habilitado=0 marcado=0" "$(ayudante estado frmAviso '» Siguiente')"
usuario marca frmAviso "He Leído y Entendido"
igual "«» Siguiente» tras marcar" "visible=1 habilitado=1 marcado=0" "$(ayudante estado frmAviso '» Siguiente')"
usuario desmarca frmAviso "He Leído y Entendido"
igual "«» Siguiente» tras desmarcar" "visible=1 habilitado=0 marcado=0" "$(ayudante estado frmAviso '» Siguiente')"
usuario marca frmAviso "He Leído y Entendido"
usuario pulsa-y-cierra frmAviso "» Siguiente"
usuario pulsa fV Salir
estado="$(espera_fin primera 60)" || aborta "el asistente no terminó tras «Salir»"
igual "estado de salida tras «Salir»" 0 "$estado"
igual "instalación tras «Salir»" "$antes" "$(listado)"
no_hay "$APP/Excepciones_Act_202128.log"

termina_prueba
