# Sourced by the scripts that run the Linux wizard on a generated
# installation with a scripted user.
#   lanza_asistente PROGRAMA TRABAJO INSTALACION
# TRABAJO holds the registry store "registro" and the user's script "guion";
# the transcript and the shell trace are written there. Exits with the
# wizard's status. Further ZELVANO_ variables may be given before the call.
lanza_asistente() {
  local asistente="$1" trabajo="$2" instalacion="$3"
  mkdir -p "$trabajo/mutex" "$trabajo/c"
  ZELVANO_REGISTRO="$trabajo/registro" \
  ZELVANO_GUION="$trabajo/guion" \
  ZELVANO_TRANSCRIPCION="$trabajo/transcripcion.jsonl" \
  ZELVANO_RUTA_EJECUTABLE="$instalacion/Update/Act_202103_a_202128.exe" \
  ZELVANO_DIR_MUTEX="$trabajo/mutex" \
  ZELVANO_UNIDAD_C="$trabajo/c" \
  ZELVANO_TRAZA_SHELL="$trabajo/shell.txt" \
  ZELVANO_FACTOR_PAUSAS="${ZELVANO_FACTOR_PAUSAS:-0.1}" \
    "$asistente"
}

# The user of a whole run: reads the notice, starts the update, acknowledges
# the final screen. Written to TRABAJO/guion.
#   escribe_guion TRABAJO
escribe_guion() {
  cat > "$1/guion" <<'GUION'
# Reads the notice, starts the update, acknowledges the final screen.
frmAviso marca LCBLeido
frmAviso pulsa BtnLeido
fV pulsa BtnAceptar
frm_Final marca LCBLeido
frm_Final pulsa BtnSalir
GUION
}
