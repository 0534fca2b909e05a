#!/usr/bin/env bash
# A complete update of a client machine under Wine with the keyboard alone,
# as a technician at a counter without a mouse does it: every step is a key
# given to the window in front (no clicks). On every screen and dialog the
# focus starts where it should, Tab goes round in order, every caption is
# measured whole by the wizard's own fonts, the text areas open at their
# first line, and the screenshots of the notice, the final screen and the
# playing maintenance clip are kept.
source "$(dirname "$0")/comun.sh"

tecla() { usuario tecla "$1" "$2" 30; }
foco() { usuario espera-foco "$1" "$2" 30; }
enteros() { textos_enteros "$1" "$1 ($2)" MemoBackup; }
primera_linea() { # ventana control
  igual "$1.$2 abre en su primera línea" 0 "$(ayudante linea-visible "$1" "$2")"
}

instala 20.21.1.5 TERMINAL1 SERVIDOR --clip
python3 "$ZELVANO_FUENTES/tests/wine/clip.py" "$APP/Galeria/Videos/Mantenimiento.avi"
paginas="$(anota_paginas)"

arranca_asistente teclado
usuario espera-ventana frmAviso 120
# The button is first in tab order but disabled: the focus starts on the box.
foco frmAviso LCBLeido
primera_linea frmAviso Memo2
primera_linea frmAviso Memo1
enteros frmAviso aviso
captura_dos aviso frmAviso || falla "el titular del aviso no parpadea"
tecla frmAviso Escape
# Alt+F4 is no way round the box: the notice stays, as with Escape.
tecla frmAviso Alt+F4
sleep 0.5
ayudante existe-ventana frmAviso >/dev/null || aborta "Alt+F4 cerró el aviso sin la casilla"
igual "casilla del aviso tras Alt+F4" "visible=1 habilitado=1 marcado=0" "$(ayudante estado frmAviso LCBLeido)"
tecla frmAviso Tab
foco frmAviso LCBLeido
tecla frmAviso Espacio
igual "casilla del aviso tras Espacio" "visible=1 habilitado=1 marcado=1" "$(ayudante estado frmAviso LCBLeido)"
tecla frmAviso Tab
foco frmAviso BtnLeido
tecla frmAviso Intro
usuario espera-cierre frmAviso 30

# The main window opens on the start button; the read-only fields are
# passed by, so Tab goes between the two buttons.
foco fV BtnAceptar
enteros fV reposo
for siguiente in BtnSalir BtnAceptar BtnSalir; do
  tecla fV Tab
  foco fV "$siguiente"
done
tecla fV Mayus+Tab
foco fV BtnAceptar
tecla fV Intro

# During the run the window is disabled and its captions must stay whole;
# the keys still reach it, but neither Enter nor Space on the start button
# (which keeps the focus) nor Tab to "Salir" may do anything.
medida=0
fin=$((SECONDS + 300))
while [ "$SECONDS" -lt "$fin" ] && ! ayudante existe-ventana frm_Final >/dev/null; do
  [ -s "$TMP_PRUEBA/estado-teclado" ] && aborta "el asistente terminó sin pantalla final"
  if [ "$medida" -eq 0 ] && [ "$(ayudante barra fV PB7 | cut -d' ' -f1)" -gt 5 ] 2>/dev/null; then
    enteros fV "durante la actualización"
    captura durante fV
    for t in Intro Espacio Tab Intro Espacio Alt+F4; do
      ayudante tecla-deshabilitada fV "$t" 5 >/dev/null || falla "tecla $t durante la actualización: $(error_ayudante)"
    done
    medida=1
  fi
  sleep 0.3
done
[ "$medida" -eq 1 ] || falla "no se pudo medir la ventana principal durante la actualización"

usuario espera-ventana frm_Final 300
foco frm_Final LCBLeido
tecla frm_Final Alt+F4
sleep 0.5
ayudante existe-ventana frm_Final >/dev/null || aborta "Alt+F4 cerró la pantalla final"
igual "casilla de la pantalla final tras Alt+F4" "visible=1 habilitado=1 marcado=0" "$(ayudante estado frm_Final LCBLeido)"
primera_linea frm_Final Memo1
primera_linea frm_Final Memo2
enteros frm_Final "pantalla final"
# The headlines blink: one of the two pictures shows them.
captura_dos pantalla_final frm_Final || falla "los titulares de la pantalla final no parpadean"
# Aceptar before the box: the reminder, Enter closes it and the focus is
# back on Aceptar.
tecla frm_Final Tab
foco frm_Final BtnSoporteVideo
tecla frm_Final Tab
foco frm_Final BtnSalir
tecla frm_Final Intro
usuario espera-ventana frmDialogo 30
foco frmDialogo BtnOK
enteros frmDialogo "diálogo 33"
contiene "recordatorio" "$(texto_de frmDialogo Mensaje)" "Debe marcar que ha leído la notificación."
tecla frmDialogo Escape
sleep 0.5
ayudante existe-ventana frmDialogo >/dev/null || falla "Escape cerró el diálogo"
# A dialog closed by the system gives its default answer, as it always did.
tecla frmDialogo Alt+F4
usuario espera-cierre frmDialogo 30
foco frm_Final BtnSalir
tecla frm_Final Tab
foco frm_Final LCBLeido
tecla frm_Final Espacio
tecla frm_Final Mayus+Tab
foco frm_Final BtnSalir
tecla frm_Final Espacio

# The channel invitation with the maintenance clip playing.
usuario espera-ventana frmDialogo 30
foco frmDialogo BtnOK
enteros frmDialogo "diálogo 77"
contiene "invitación" "$(texto_de frmDialogo Mensaje)" "Suscríbase a nuestro Canal YouTube"
clip_se_mueve dialogo-77 "invitación al canal"
tecla frmDialogo Intro
estado="$(espera_fin teclado 120)" || aborta "el asistente no terminó tras la pantalla final"
igual "estado de salida" 0 "$estado"
# One run: the save started once, and the log ends as a run that ended well.
igual "ejecuciones de la actualización" 1 "$(lineas_log | grep -c '^Ejecutando función Guarda_Datos()$')"
contiene "final del registro" "$(lineas_log | tail -3)" "ACTUALIZACIÓN FINALIZADA CORRECTAMENTE."
# The page opens through the system, which may take a moment after the end.
fin=$((SECONDS + 20))
until grep -q sub_confirmation=1 "$paginas" || [ "$SECONDS" -ge "$fin" ]; do sleep 0.3; done
igual "páginas abiertas" 1 "$(grep -c sub_confirmation=1 "$paginas")"
igual "versión instalada" "20.21.2.8" "$(python3 "$ZELVANO_FUENTES/tests/wine/recursos.py" --version "$APP/Zelvano_Start.exe")"

termina_prueba
