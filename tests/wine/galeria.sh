#!/usr/bin/env bash
# Every message dialog of the wizard's table of calls pictured under Wine
# (kinds 33, 69, 73 and 77, normal and wide, with and without a countdown),
# shown by the wizard's own code through the gallery tool; each one opens
# with the focus on "Aceptar", shows every caption whole and is answered by
# keyboard or by its countdown. Then a real kind-69 dialog: a rollback that
# cannot read back a file of the saved copy; the copy must be kept and named.
source "$(dirname "$0")/comun.sh"

GALERIA="$ZELVANO_BUILD_WIN32/tools/galeria_dialogos/galeria_dialogos.exe"
[ -f "$GALERIA" ] || aborta "falta $GALERIA"
CARPETA="$C/galeria"
mkdir -p "$CARPETA/Galeria/Videos"
python3 "$ZELVANO_FUENTES/tests/wine/clip.py" "$CARPETA/Galeria/Videos/Mantenimiento.avi"
CARPETA_WIN='C:\galeria\'

enteros() { textos_enteros "$1" "$2"; }

# Countdowns long enough for the dialog to be measured and pictured on a
# loaded machine before it answers itself; the wide maintenance dialog is
# pictured twice (its clip must move) before its countdown closes it.
# name kind wide seconds text (\n: a line feed, as the calls pass it)
casos=(
  "33|33|0|0|No encuentro la Ruta de Zelvano_Start.exe.\nPor favor, copie el fichero de actualización en la carpeta donde esté el ejecutable del programa y vuelva a intentarlo."
  "33-amplio|33|1|0|Solo las Versiones entre 20.21.0.3 y 20.21.1.8\nde Zelvano son actualizables."
  "33-cuenta_atras|33|0|15|Debe marcar que ha leído la notificación."
  "69|69|0|0|Su RED ha sufrido un Corte de Luz, o su conexión de RED no es consistente a Fallos.\n\n\nZelvano, tiene que desconectarse del Servidor.\nSaldrá del Programa, para evitar un mal mayor.\n"
  "69-amplio|69|1|0|Excepción FireBird controlada por Zelvano."
  "73|73|0|0|Se han restaurado todos sus Datos Anteriores.Saldrá del programa de Actualización"
  "73-cuenta_atras-amplio|73|1|15|Zelvano está en ejecución."
  "77-amplio|77|1|0|Suscríbase a nuestro Canal YouTube para estar informado de Nuevos Video Tutoriales."
  "77|77|0|0|Suscríbase a nuestro Canal YouTube para estar informado de Nuevos Video Tutoriales."
  "77-cuenta_atras-amplio|77|1|16|Suscríbase a nuestro Canal YouTube para estar informado de Nuevos Video Tutoriales."
)
for caso in "${casos[@]}"; do
  IFS='|' read -r nombre tipo amplio segundos texto <<<"$caso"
  rm -f "$TMP_PRUEBA/estado-$nombre"
  (
    wine "$GALERIA" "$tipo" "$amplio" "$segundos" "$CARPETA_WIN" "$texto" >/dev/null 2>&1
    echo $? >"$TMP_PRUEBA/estado-$nombre"
  ) &
  usuario espera-ventana frmDialogo 60
  usuario espera-foco frmDialogo BtnOK 30
  enteros frmDialogo "diálogo $nombre"
  esperado="$(printf '%b' "${texto//\\n/\\n}")"
  contiene "diálogo $nombre" "$(texto_de frmDialogo Mensaje)" "$(head -1 <<<"$esperado")"
  if [ "$tipo" = 77 ]; then
    clip_se_mueve "galeria-$nombre" "$nombre"
  else
    captura "galeria-$nombre" frmDialogo
  fi
  if [ "$segundos" -gt 0 ]; then
    # Nobody answers: the countdown does.
    usuario espera-cierre frmDialogo $((segundos + 10))
  else
    usuario tecla frmDialogo Escape 30
    sleep 0.3
    ayudante existe-ventana frmDialogo >/dev/null || falla "$nombre: Escape cerró el diálogo"
    usuario tecla frmDialogo Intro 30
  fi
  estado="$(espera_fin "$nombre" 30)" || aborta "$nombre: la galería no terminó"
  igual "$nombre: estado de salida" 0 "$estado"
done

# ---- a rollback that cannot put a saved file back ---------------------------
# Zelvano.exe held open but readable: the save copies it, cannot delete it
# and starts the rollback. While the save's message is up, the test makes a
# file of the saved copy unreadable: the rollback cannot put it back.
bloquea() { # fichero-windows [lectura]; sets pid_bloqueo
  local salida="$TMP_PRUEBA/bloqueo-$RANDOM.out"
  wine "$AYUDANTE_WIN" bloquea "$1" 600 ${2:+"$2"} >"$salida" 2>&1 &
  pid_bloqueo="$pid_bloqueo $!"
  local fin=$((SECONDS + 60))
  until grep -q bloqueado "$salida" 2>/dev/null; do
    [ "$SECONDS" -lt "$fin" ] || aborta "no se pudo bloquear $1: $(cat "$salida")"
    sleep 0.2
  done
}
instala 20.21.1.5 TERMINAL1 SERVIDOR
programa="$(sha256sum "$APP/Zelvano.exe" | cut -d' ' -f1)"
pid_bloqueo=""
bloquea 'C:\Zelvano\Zelvano.exe' lectura

arranca_asistente reponer
usuario espera-ventana frmAviso 120
usuario tecla frmAviso Espacio 30
usuario tecla frmAviso Tab 30
usuario tecla frmAviso Intro 30
usuario espera-cierre frmAviso 30
# The main window opens on its start button.
usuario espera-foco fV BtnAceptar 30
usuario tecla fV Intro 30

usuario espera-ventana frmDialogo 180
contiene "primer diálogo" "$(texto_de frmDialogo Mensaje)" "Zelvano está en ejecución."
[ -f "$APP/Temp/202103_202128/Zelvano_Start.exe" ] || aborta "la copia no guardó Zelvano_Start.exe"
bloquea 'C:\Zelvano\Temp\202103_202128\Zelvano_Start.exe'
usuario tecla-y-cierra frmDialogo Intro 30
# The rollback's dialogs, each answered by Enter, until the one that says
# what could not be put back.
visto69=0
for _ in 1 2 3; do
  ayudante espera-ventana frmDialogo 180 >/dev/null || break
  usuario espera-foco frmDialogo BtnOK 30
  if [ "$(texto_de frmDialogo Titulo)" = "¡¡¡ Error grave !!!" ]; then
    visto69=1
    enteros frmDialogo "diálogo 69 de la restauración"
    contiene "diálogo 69 de la restauración" "$(texto_de frmDialogo Mensaje)" 'C:\Zelvano\Temp\202103_202128'
    captura_dos reponer-69 frmDialogo || falla "el titular del diálogo 69 no parpadea"
    usuario tecla frmDialogo Intro 30
    break
  fi
  usuario tecla-y-cierra frmDialogo Intro 30
done
[ "$visto69" -eq 1 ] || falla "la restauración que no pudo reponer un fichero no mostró el diálogo de error"
estado="$(espera_fin reponer 120)" || aborta "el asistente no terminó tras la restauración"
igual "estado de salida tras la restauración" 0 "$estado"
for p in $pid_bloqueo; do
  kill "$p" 2>/dev/null
  wait "$p" 2>/dev/null
done
igual "Zelvano.exe sigue siendo el de antes" "$programa" "$(sha256sum "$APP/Zelvano.exe" | cut -d' ' -f1)"
[ -f "$APP/Temp/202103_202128/Zelvano_Start.exe" ] || falla "la copia guardada no se conservó"

termina_prueba
