#!/usr/bin/env bash
# Records what a user sees of whole runs of one build, so that two builds can
# be compared byte for byte: a server run, a client run and a run that fails
# and puts everything back. For each it keeps the log file, the posix
# transcript of screens and dialogs, the pauses asked for and the shell trace,
# with only what changes from run to run by nature masked: the temp folder,
# dates and times, durations and the elapsed-time clock.
#   scripts/compara-ejecuciones.sh BUILD SALIDA           records into SALIDA
#   scripts/compara-ejecuciones.sh BUILD SALIDA ANTERIOR  also diffs with ANTERIOR
set -euo pipefail
source "$(dirname "$0")/asistente-comun.sh"
build="$(cd "$1" && pwd)"
salida="$2"
anterior="${3:-}"
export LANG=es_ES.UTF-8
asistente="$build/Act_202103_a_202128"
generador="$build/tools/generador/genera_instalacion"
mkdir -p "$salida"

# Masks the temp folder, then dates, times and durations.
enmascara() {
  sed -E -e "s#$trabajo#<TRABAJO>#g" \
    -e 's#[0-9]{2}/[0-9]{2}/[0-9]{4}#<FECHA>#g' \
    -e 's#[0-9]{4}-[0-9]{2}-[0-9]{2}#<FECHA>#g' \
    -e 's#[0-9]{1,2}:[0-9]{2}:[0-9]{2}([.,][0-9]+)?#<HORA>#g' \
    -e 's#[0-9]+([.,][0-9]+)? (segundos|seg\.|s\b|ms\b)#<DURACION> \2#g' \
    -e 's#"(ms|milisegundos|transcurrido|t)":[0-9.]+#"\1":<N>#g'
}

ejecuta() {
  local nombre="$1"; shift
  trabajo="$(mktemp -d /tmp/zelvano-compara-XXXXXX)"
  chmod 755 "$trabajo"
  local instalacion="$trabajo/Zelvano"
  "$generador" --destino "$instalacion" --registro "$trabajo/registro" "$@" >/dev/null
  escribe_guion "$trabajo"
  # A run that fails also answers the rollback's messages.
  echo "frmDialogo pulsa BtnAceptar" >> "$trabajo/guion"
  local estado=0
  ZELVANO_CUENTA_PAUSAS="$trabajo/pausas.txt" \
    lanza_asistente "$asistente" "$trabajo" "$instalacion" >/dev/null 2>&1 || estado=$?
  echo "estado $estado" > "$salida/$nombre.estado"
  iconv -f CP1252 -t UTF-8 "$instalacion/Excepciones_Act_202128.log" | enmascara > "$salida/$nombre.log"
  enmascara < "$trabajo/transcripcion.jsonl" > "$salida/$nombre.transcripcion"
  cp "$trabajo/pausas.txt" "$salida/$nombre.pausas"
  if [ -f "$trabajo/shell.txt" ]; then enmascara < "$trabajo/shell.txt" > "$salida/$nombre.shell"; fi
  rm -rf "$trabajo"
}

ejecuta servidor --version 20.21.1.0 --servidor localhost --nombre-pc localhost --base-datos
ejecuta cliente --version 20.21.1.0 --servidor localhost --nombre-pc CAJA2
ejecuta reposicion --version 20.21.1.0 --servidor localhost --nombre-pc CAJA2 --sin-rar

if [ -n "$anterior" ]; then
  diff -r "$anterior" "$salida" && echo "Iguales: $(ls "$salida" | wc -l) ficheros."
fi
