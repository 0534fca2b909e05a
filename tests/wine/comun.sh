# Shared by the tests under Wine (sourced): checks that report precisely and
# go on, the helper that drives the wizard's windows, screenshots, the
# generated installation on the prefix's C: drive, the wizard started from
# its "Update" folder, and readers for what it leaves behind.
# shellcheck shell=bash
set -uo pipefail

PRUEBA="$(basename "$0" .sh)"
C="$WINEPREFIX/drive_c"
APP="$C/Zelvano"
APP_WIN='C:\Zelvano\'
CLAVE_PRODUCTO='HKCU\SOFTWARE\Pelmora Soft\Zelvano Nova'
CLAVE_FILEEXTS_PDF='HKCU\SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.pdf'
NAVEGADOR="$C/Program Files (x86)/Google/Chrome/Application/chrome.exe"
AYUDANTE_WIN='C:\herramientas\ayudante_wine.exe'
ASISTENTE=Act_202103_a_202128.exe
TMP_PRUEBA="$ZELVANO_TRABAJO/$PRUEBA"
mkdir -p "$TMP_PRUEBA"
fallos_prueba=0

# ---- checks ---------------------------------------------------------------

falla() {
  echo "FALLO [$PRUEBA]: $*" >&2
  fallos_prueba=$((fallos_prueba + 1))
}
# A failure after which nothing else of the test makes sense.
aborta() {
  falla "$@"
  echo "ventanas en pantalla:" >&2
  wine "$AYUDANTE_WIN" lista 2>/dev/null | grep -v ' oculta' | head -60 >&2
  captura "fallo-$PRUEBA"
  exit 1
}
igual() { # what expected obtained
  [ "$2" == "$3" ] || falla "$1: se esperaba «$2», se obtuvo «$3»"
}
contiene() { # what text part
  [[ "$2" == *"$3"* ]] || falla "$1: «$3» no está en «$2»"
}
hay_fichero() { [ -f "$1" ] || falla "falta el fichero ${1#"$C"/}"; }
no_hay() { [ ! -e "$1" ] || falla "no debería existir ${1#"$C"/}"; }
termina_prueba() {
  if [ "$fallos_prueba" -eq 0 ]; then
    echo "bien: $PRUEBA"
    exit 0
  fi
  echo "$fallos_prueba comprobaciones fallidas en $PRUEBA" >&2
  exit 1
}

# ---- the helper ------------------------------------------------------------

# Runs one helper command; its error message, if any, goes to the failure.
ayudante() {
  local salida
  if salida="$(wine "$AYUDANTE_WIN" "$@" 2>"$TMP_PRUEBA/ayudante.err")"; then
    printf '%s' "$salida"
    return 0
  fi
  printf '%s' "$salida"
  return 1
}
error_ayudante() { tr -d '\r' <"$TMP_PRUEBA/ayudante.err"; }
# A step of the user; the test cannot go on without it.
usuario() {
  ayudante "$@" >/dev/null || aborta "el usuario no pudo: $* ($(error_ayudante))"
}
# A control's text with its line ends as line feeds (a rich-text area ends
# paragraphs with CR).
texto_de() { ayudante texto "$1" "$2" | perl -pe 's/\r\n?/\n/g'; }

# ---- screenshots -------------------------------------------------------------

# The whole screen, or only the window named $2 (caption or component name).
captura() {
  local fichero="$ZELVANO_ARTEFACTOS/$1.png"
  if [ -n "${2:-}" ]; then
    local g
    g="$(ayudante geometria "$2")" || { falla "captura $1: no hay ventana $2"; return; }
    # "ventana=X,Y WxH cliente=..."
    local x y w h
    read -r x y w h < <(sed -E 's/^ventana=(-?[0-9]+),(-?[0-9]+) ([0-9]+)x([0-9]+).*/\1 \2 \3 \4/' <<<"$g")
    import -display "$DISPLAY" -window root -crop "${w}x${h}+${x}+${y}" +repage "$fichero" 2>/dev/null ||
      falla "captura $1 no se pudo guardar"
  else
    import -display "$DISPLAY" -window root "$fichero" 2>/dev/null || falla "captura $1 no se pudo guardar"
  fi
}

# ---- the installation ----------------------------------------------------------

# An installation of `version` in C:\Zelvano\ with its registry key seeded
# in the prefix: a client when the two names differ (no database needed).
# It carries a Temp folder of an earlier update, restore points in Datos and
# the database folder stored as D:\Datos Zelvano\. Further arguments go to
# the generator as they are.
RUTA_DATOS_WIN='D:\Datos Zelvano\'
instala() { # version nombre_pc servidor [generator options...]
  local version="$1" pc="$2" servidor="$3"
  shift 3
  rm -rf "$APP"
  local reg="$TMP_PRUEBA/instalacion.reg"
  "$ZELVANO_GENERADOR" --destino "$APP" --version "$version" --nombre-pc "$pc" --servidor "$servidor" \
    --ruta-windows "$APP_WIN" --ruta-datos "$RUTA_DATOS_WIN" --reg "$reg" --temp-anterior --puntos 3,7,75 "$@" \
    >"$TMP_PRUEBA/generador.log" 2>&1 || aborta "genera_instalacion falló: $(cat "$TMP_PRUEBA/generador.log")"
  [ -f "$reg" ] || aborta "genera_instalacion no escribió $reg"
  wine reg import "$(winepath -w "$reg")" >/dev/null 2>&1 || aborta "no se pudo importar $reg"
  # The Windows build of the extraction tool, whatever the generator put.
  cp "$ZELVANO_RAR_EXE" "$APP/rar.exe"
  mkdir -p "$APP/Update"
  cp "$ZELVANO_EXE_WIN32" "$APP/Update/$ASISTENTE"
}

# Value data of a registry value ("" and status 1 when it is missing).
valor_registro() { # key value-name (empty: the default value)
  local salida
  if [ -z "$2" ]; then
    salida="$(wine reg query "$1" /ve 2>/dev/null)" || return 1
  else
    salida="$(wine reg query "$1" /v "$2" 2>/dev/null)" || return 1
  fi
  tr -d '\r' <<<"$salida" | sed -n -E 's/^ +.*REG_[A-Z_]+ {4}//p' | head -1
}
# All values of a key at once (one Wine start instead of one per value);
# valor_en picks one of them from that listing.
valores_clave() { wine reg query "$1" 2>/dev/null | tr -d '\r'; }
valor_en() { # listing value-name
  awk -v nombre="$2" 'BEGIN { FS = "    " } $2 == nombre && $3 ~ /^REG_/ { print $4; exit }' <<<"$1"
}
existe_clave() { wine reg query "$1" >/dev/null 2>&1; }

# Every folder and every file with its checksum, relative to the application
# folder, the log file left out.
listado() {
  (
    cd "$APP" || exit 1
    find . -mindepth 1 -type d | LC_ALL=C sort | sed 's/^/carpeta /'
    find . -type f ! -path ./Excepciones_Act_202128.log -print0 | LC_ALL=C sort -z | xargs -0 -r sha256sum
  )
}

# The log file's lines in UTF-8, one a line; fails the test when a line is
# not ended by CR LF or the text is not Windows-1252.
lineas_log() {
  python3 - "$APP/Excepciones_Act_202128.log" <<'PY'
import sys
datos = open(sys.argv[1], "rb").read()
if datos.startswith(b"\xef\xbb\xbf") or datos.startswith(b"\xff\xfe"):
    sys.exit("el fichero de registro lleva marca de orden de bytes")
if not datos.endswith(b"\r\n"):
    sys.exit("el fichero de registro no acaba en CR LF")
lineas = datos[:-2].split(b"\r\n")
for n, l in enumerate(lineas, 1):
    if b"\n" in l or b"\r" in l:
        sys.exit("línea %d con un salto que no es CR LF" % n)
sys.stdout.write("\n".join(l.decode("cp1252") for l in lineas) + "\n")
PY
}

# File attributes as Wine keeps them (the DOS attributes in an extended
# attribute, read-only as the write permission): through the API, as
# letters ("AR--": archive, read-only, hidden, system), also past 260
# characters.
# (winepath gives nothing for a path that long: the name on C: is built here.)
en_c() { local r="${1#"$C"/}"; printf 'C:\\%s' "${r//\//\\}"; }
atributos() { ayudante atributos "$(en_c "$1")" | tr -d '\r'; }
pon_solo_lectura() { # path on C:
  ayudante atributos "$(en_c "$1")" +r >/dev/null || falla "no se pudo hacer de solo lectura ${1#"$C"/}"
}

# What shops have in an installation, for the tests of Windows' own file
# rules: read-only files (relative to the application folder), checked;
pon_solo_lectura_todos() { # path...
  local f
  for f in "$@"; do
    pon_solo_lectura "$APP/$f"
    contiene "atributo de ${f:0:40} antes" "$(atributos "$APP/$f")" "R"
  done
}
# a file past 260 characters under a folder of the installation (its path
# relative to the application folder in LARGO);
pon_ruta_larga() { # folder
  LARGO="$1/$(printf 'Carpeta_con_nombre_largo_%02d/' 1 2 3 4 5 6 7 8 9 10)Cierre.txt"
  mkdir -p "$APP/$(dirname "$LARGO")"
  echo "cierre de caja" >"$APP/$LARGO"
  [ "${#LARGO}" -gt 260 ] || aborta "la ruta larga tiene solo ${#LARGO} caracteres"
}
# a link "Datos\EnlaceFuera" to a folder outside the installation (FUERA),
# whose file's sum is in FUERA_ANTES.
pon_enlace_fuera() {
  FUERA="$ZELVANO_TRABAJO/fuera_$PRUEBA"
  mkdir -p "$FUERA"
  echo "no es de la instalación" >"$FUERA/ajeno.txt"
  ln -s "$FUERA" "$APP/Datos/EnlaceFuera"
  FUERA_ANTES="$(sha256sum "$FUERA/ajeno.txt")"
}
# After the run: the link is still there and what it leads to is untouched.
enlace_fuera_intacto() { # etiqueta
  [ -L "$APP/Datos/EnlaceFuera" ] || falla "$1: el enlace de Datos ya no está"
  igual "$1: fichero fuera de la instalación" "$FUERA_ANTES" "$(sha256sum "$FUERA/ajeno.txt")"
}

# Another Windows process holds the file open until the test ends, without
# sharing (as the Firebird server holds its database) or, with "lectura",
# readable by others (as Windows holds a running program); sets pid_bloqueo.
bloquea_fichero() { # windows-path [lectura]
  local salida="$TMP_PRUEBA/bloqueo.out"
  wine "$AYUDANTE_WIN" bloquea "$1" 600 ${2:+"$2"} >"$salida" 2>&1 &
  pid_bloqueo=$!
  local fin=$((SECONDS + 60))
  until grep -q bloqueado "$salida" 2>/dev/null; do
    kill -0 "$pid_bloqueo" 2>/dev/null || aborta "no se pudo bloquear $1: $(cat "$salida")"
    [ "$SECONDS" -lt "$fin" ] || aborta "el bloqueo de $1 no llegó a tiempo"
    sleep 0.2
  done
}
suelta_fichero() {
  kill "$pid_bloqueo" 2>/dev/null
  wait "$pid_bloqueo" 2>/dev/null
}

# A whole run driven by the helper (every message accepted); the messages
# it read, one block each, end in LEIDOS (not printed: a check that fails in
# a command substitution would not count).
conduce_ejecucion() { # etiqueta
  local mensajes="$TMP_PRUEBA/mensajes-$1.txt"
  : >"$mensajes"
  arranca_asistente "$1"
  ayudante conduce "$ASISTENTE" "$(winepath -w "$mensajes")" 300 >/dev/null || falla "$1: $(error_ayudante)"
  igual "$1: estado de salida" 0 "$(espera_fin "$1" 60)"
  LEIDOS="$(tr -d '\r' <"$mensajes")"
}

# A run while another process holds the file of the installation open
# without sharing: the save cannot copy it, the gate stops the run naming it
# (the first or the only one), and nothing of the installation changes but
# the journal and the manifest of what was saved (and the files a further
# pattern names, whose content the run may change before the save).
guardado_bloqueado() { # etiqueta path-on-C [grep pattern of listado lines left out]
  local ruta_win
  ruta_win="$(en_c "$2")"
  local fuera=(-e '/Temp/Diario_202128\.ini$' -e '/Temp/Manifiesto_202128\.txt$')
  [ -z "${3:-}" ] || fuera+=(-e "$3")
  local antes despues
  antes="$(listado | grep -v "${fuera[@]}")"
  bloquea_fichero "$ruta_win"
  conduce_ejecucion "$1"
  suelta_fichero
  [[ "$LEIDOS" == *"No se ha podido guardar un fichero de la instalación: $ruta_win"* ||
    "$LEIDOS" == *"ficheros de la instalación; el primero es: $ruta_win"* ]] ||
    falla "$1: el aviso no nombra $ruta_win: «$LEIDOS»"
  contiene "$1: aviso" "$LEIDOS" "No se ha borrado ni cambiado nada de la instalación."
  grep -q "PANTALLA FINAL" <<<"$LEIDOS" && falla "$1: la actualización terminó bien sin guardar $ruta_win"
  despues="$(listado | grep -v "${fuera[@]}")"
  [ "$antes" == "$despues" ] || falla "$1: la instalación cambió:
$(diff <(echo "$antes") <(echo "$despues"))"
}

# ---- the wizard ------------------------------------------------------------------

# Starts the wizard from the installation's Update folder; `etiqueta` names
# this copy for espera_fin.
arranca_asistente() { # etiqueta
  rm -f "$TMP_PRUEBA/estado-$1"
  (
    cd "$APP/Update" && wine "$ASISTENTE" >"$TMP_PRUEBA/asistente-$1.out" 2>&1
    echo $? >"$TMP_PRUEBA/estado-$1"
  ) &
}
# Waits for that copy to end and prints its exit status; status 1 when it
# is still running after `segundos`.
espera_fin() { # etiqueta segundos
  local fin=$((SECONDS + $2))
  while [ ! -s "$TMP_PRUEBA/estado-$1" ]; do
    [ "$SECONDS" -lt "$fin" ] || return 1
    sleep 0.2
  done
  cat "$TMP_PRUEBA/estado-$1"
}

# The rollback's two dialogs, as the helper reads their text.
ERROR_ROLLBACK=$'\nHa sucedido un Error en el proceso de Actualización.\nSe procederá a deshacer todos los Procesos realizados.'
FIN_ROLLBACK=$'\nSe han restaurado todos sus Datos Anteriores.Saldrá del programa de Actualización'

# The message dialog now shown: its body text, with a screenshot.
dialogo() { # captura
  ayudante espera-ventana frmDialogo 120 >/dev/null || aborta "no apareció el diálogo esperado ($1)"
  # The headline blinks (250 ms shown, 250 ms hidden): two pictures half a
  # period apart show it at least once.
  if [ -n "$1" ]; then
    captura "$1" frmDialogo
    sleep 0.25
    captura "$1-b" frmDialogo
  fi
  texto_de frmDialogo Mensaje
}
# The dialog now shown must say `texto`; then the user presses Aceptar.
acepta_dialogo() { # texto captura
  local t
  t="$(dialogo "$2")"
  contiene "diálogo" "$t" "$1"
  usuario pulsa-y-cierra frmDialogo Aceptar
}

# The web address handler of the prefix: every page the wizard opens is
# appended to a file instead of reaching a browser.
anota_paginas() {
  local fichero="$TMP_PRUEBA/paginas.txt"
  : >"$fichero"
  local win
  win="$(winepath -w "$fichero")"
  for protocolo in http https; do
    wine reg add "HKCR\\$protocolo\\shell\\open\\command" /ve /d "\"$AYUDANTE_WIN\" anota \"$win\" \"%1\"" /f \
      >/dev/null 2>&1 || aborta "no se pudo registrar el manejador de $protocolo"
  done
  echo "$fichero"
}

# ---- what the technician sees ------------------------------------------------

# Every caption of the window whole, as the wizard measures it with its own
# fonts; controls named after the first two arguments are left out (the
# process log wraps by design).
textos_enteros() { # ventana qué [control...]
  local ventana="$1" que="$2" m cortados c
  shift 2
  # A window that has just appeared may not have its controls yet.
  local intento
  for intento in 1 2 3 4 5 6 7 8 9 10; do
    m="$(ayudante mide "$ventana")"
    grep -q . <<<"$m" && break
    sleep 0.3
  done
  grep -q . <<<"$m" || falla "$que: no se midió nada en $ventana"
  cortados="$(grep CORTADO <<<"$m")"
  for c in "$@"; do cortados="$(grep -v "^$c " <<<"$cortados")"; done
  [ -z "$cortados" ] || falla "$que: textos cortados en $ventana:
$cortados"
}
# Two pictures of a window that changes by itself (a blinking headline, a
# playing clip): the second is taken again after pauses of other lengths
# until `distintas` tells them apart, since a pause as long as the period
# shows the same phase twice. Status 1 when they never differ.
captura_dos() { # nombre ventana [distintas]
  local a="$ZELVANO_ARTEFACTOS/$1.png" b="$ZELVANO_ARTEFACTOS/$1-b.png" pausa
  captura "$1" "$2"
  # Pauses of uneven length so that no two pictures keep the same phase of a
  # blink, and enough of them for a machine under load.
  for pausa in 0.3 0.15 0.45 0.2 0.35 0.1 0.55 0.25 0.4 0.05; do
    sleep "$pausa"
    captura "$1-b" "$2"
    "${3:-pixeles_distintos}" "$a" "$b" && return 0
  done
  return 1
}
pixeles_distintos() { [ "$(convert "$1" rgb:- | md5sum)" != "$(convert "$2" rgb:- | md5sum)" ]; }
# The maintenance clip's place in the dialog's title band (left 5, 33 px
# below the top, 85 x 73) differs between the two pictures and is not black.
clip_distinto() { # a.png b.png
  python3 - "$1" "$2" <<'PY'
import subprocess, sys
def clip(f):
    return subprocess.run(["convert", f, "-crop", "85x73+7+35", "+repage", "rgb:-"],
                          capture_output=True, check=True).stdout
a, b = clip(sys.argv[1]), clip(sys.argv[2])
negro = sum(1 for i in range(0, len(a), 3) if a[i:i + 3] == b"\0\0\0") * 3
sys.exit(0 if a != b and negro < len(a) // 2 else 1)
PY
}
# The dialog pictured twice with its maintenance clip playing.
clip_se_mueve() { # nombre qué
  captura_dos "$1" frmDialogo clip_distinto || falla "$2: el vídeo de mantenimiento no se mueve"
}
