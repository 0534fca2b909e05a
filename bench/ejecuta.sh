#!/usr/bin/env bash
# Benchmarks of the wizard against the system's own tools on the same data,
# in the same run (not a test: nothing passes or fails here). For each case
# it prints the wizard's figure, the yardstick's and their ratio, as medians
# of several paired runs (wizard then yardstick, then the other way round,
# and so on), after one pair that is not counted (it warms the page cache).
#
#   bash bench/ejecuta.sh [case ...]
#
# Cases (all by default):
#   copia      folder copy, Linux build, vs cp -a: 10,000 small files in
#              nested folders, and 5 files of 100 MB
#   wine       the same small files copied by the Windows build under Wine,
#              vs a bare FindFirstFileW/CopyFileW loop under Wine
#   registro   cost of one log line at line 100 and at line 20,000, on both
#              builds
#   migracion  the migration batches vs isql-fb running the same statements
#   copia-bd   backup and restore through the services API vs gbak -se, on
#              the fixture and on a database of about 200 MB
#   servidor   a whole update run on the server machine with the pauses
#              switched off vs the sum of the yardsticks of its steps, and the
#              total of the pauses the run asked for
#   durable    what making the saved copy durable costs: the 10,000-file
#              copy with its manifest and one flush of the volume vs the same
#              copy without them, and a whole server run with its flushes vs
#              the same run with them switched off (ZELVANO_SIN_VOLCADO)
#
# One side of a case as a command of its own, for a tool that times whole
# processes in pairs (the rounds are prepared untimed beforehand, each run
# takes the next one):
#
#   bash bench/ejecuta.sh prepara LADO CARPETA N   N rounds of LADO in CARPETA
#   bash bench/ejecuta.sh lado CARPETA             runs the side on the next round
#   bash bench/ejecuta.sh suelta CARPETA           drops the rounds' databases
#
# LADO is copia-durable or copia (the 10,000-file copy with and without its
# manifest and flush), servidor or servidor-sin-volcado (a whole server run
# with and without the flushes), or copia-bd (backup and restore of the test
# database). ZELVANO_BUILD_POSIX names the build that runs (another commit's
# build, to compare the two). Dirty pages left by one side would be flushed
# by the other's next flush: give each side a volume of its own (CARPETA on
# a separate file system of the same disk).
#
# Environment: BENCH_RONDAS (counted pairs, 6: each side goes first in half
# of them), BENCH_FICHEROS (10000), BENCH_MB_BD (size of the large database,
# 200), ZELVANO_BUILD_POSIX and ZELVANO_BUILD_WIN32 (build/posix,
# build/win32), BENCH_TMP (the temporary folder's parent). The Firebird
# server must be running (scripts/firebird.sh arranca).
set -euo pipefail
export LC_ALL=C
raiz="$(cd "$(dirname "$0")/.." && pwd)"
RONDAS="${BENCH_RONDAS:-6}"
FICHEROS="${BENCH_FICHEROS:-10000}"
MB_BD="${BENCH_MB_BD:-200}"
POSIX="${ZELVANO_BUILD_POSIX:-$raiz/build/posix}"
WIN32="${ZELVANO_BUILD_WIN32:-$raiz/build/win32}"
ASIS="$POSIX/bench/asistente"
CLAVE=Zv2128

casos=("$@")
[ ${#casos[@]} -gt 0 ] || casos=(copia wine registro migracion copia-bd servidor durable)

# A side run alone writes nothing of its own (its round's folder is its own).
if [ "${1:-}" != lado ]; then
  TMP="$(mktemp -d "${BENCH_TMP:-/tmp}/zelvano-bench-XXXXXX")"
  chmod 755 "$TMP"
  trap limpia EXIT
fi
bases=()
pid_xvfb=""
limpia() {
  for b in "${bases[@]}"; do
    echo "DROP DATABASE;" | isql-fb -q -user SYSDBA -password "$CLAVE" "127.0.0.1:$b" >/dev/null 2>&1 || true
  done
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; wineserver -w >/dev/null 2>&1 || true; fi
  if [ -n "$pid_xvfb" ]; then kill "$pid_xvfb" 2>/dev/null || true; wait "$pid_xvfb" 2>/dev/null || true; fi
  rm -rf "$TMP"
}

# The wizard runs on a Spanish system, as in the shops.
asis() { LANG=es_ES.UTF-8 LC_ALL=es_ES.UTF-8 "$ASIS" "$@"; }

# ---- timing and figures -------------------------------------------------------

# Seconds the command takes, as a whole process; its output goes to a file.
cronometra() {
  local t0 t1
  t0=$EPOCHREALTIME
  if ! "$@" >>"$TMP/salida.txt" 2>&1; then
    echo "falló: $*" >&2
    tail -5 "$TMP/salida.txt" >&2
    exit 1
  fi
  t1=$EPOCHREALTIME
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.6f\n", b - a }'
}

mediana() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

cabecera() {
  printf '\n%-52s %12s %12s %8s\n' "$1" "asistente" "referencia" "razón"
}
# title, wizard's median, yardstick's median, unit
fila() {
  awk -v t="$1" -v a="$2" -v b="$3" -v u="${4:-s}" \
    'BEGIN { printf "%-52s %10.4f %s %10.4f %s %7.2fx\n", t, a, u, b, u, (b > 0 ? a / b : 0) }'
}

# Runs the wizard's and the yardstick's functions in turn, one pair not
# counted and then RONDAS pairs; each function gets the round's number and
# prints its seconds. An optional function prepares each round (untimed).
compara() {  # title, wizard, yardstick, [preparation]
  local titulo=$1 fa=$2 fb=$3 prepara=${4:-}
  local ta=() tb=() i a b
  for ((i = 0; i <= RONDAS; i++)); do
    [ -z "$prepara" ] || "$prepara" "$i"
    # Each goes first in every other pair, so that neither always pays for
    # what the machine was still doing before the pair.
    if ((i % 2 == 0)); then
      a=$("$fa" "$i")
      b=$("$fb" "$i")
    else
      b=$("$fb" "$i")
      a=$("$fa" "$i")
    fi
    if [ "$i" -gt 0 ]; then ta+=("$a"); tb+=("$b"); fi
  done
  fila "$titulo" "$(mediana "${ta[@]}")" "$(mediana "${tb[@]}")"
}

# Dirty pages of earlier copies are written out (untimed) before the next
# copy starts, so no copy pays for another's writes.
vacia_escrituras() { sync; }

# ---- data ------------------------------------------------------------------------

# FICHEROS files of 100 bytes to 4 KB, random content, in 10 x 10 folders.
arbol_pequenos() {
  python3 - "$1" "$FICHEROS" <<'PY'
import os, random, sys
raiz, n = sys.argv[1], int(sys.argv[2])
random.seed(2128)
por_carpeta = max(1, n // 100)
for i in range(n):
    c = i // por_carpeta
    d = os.path.join(raiz, "Cierres_%02d" % (c // 10 % 10), "Dia_%02d" % (c % 10))
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, "cierre_%05d.dat" % i), "wb") as f:
        f.write(os.urandom(random.randint(100, 4096)))
PY
}

arbol_grandes() {
  mkdir -p "$1"
  for i in 1 2 3 4 5; do head -c $((100 * 1024 * 1024)) /dev/urandom >"$1/copia_$i.fbk"; done
}

datos_pequenos() {
  if [ ! -d "$TMP/pequenos" ]; then arbol_pequenos "$TMP/pequenos"; fi
}

# ---- (a) folder copy, Linux ----------------------------------------------------

copia_a() { vacia_escrituras; cronometra asis copia "$ORIGEN" "$TMP/copias/a$1"; }
copia_b() { vacia_escrituras; cronometra cp -a "$ORIGEN" "$TMP/copias/b$1"; }
copia_grande_prepara() {
  rm -rf "$TMP/copias"
  mkdir -p "$TMP/copias"
  vacia_escrituras
}

caso_copia() {
  datos_pequenos
  mkdir -p "$TMP/copias"
  cabecera "Copia de carpetas (Linux) frente a cp -a"
  ORIGEN="$TMP/pequenos"
  vacia_escrituras
  compara "$FICHEROS ficheros pequeños en carpetas anidadas" copia_a copia_b
  # Made only now: writing 500 MB out kept the disk busy well after the
  # sync, and the small files' copies paid for it.
  arbol_grandes "$TMP/grandes"
  # Each round's copies of 500 MB go before the next round (a few large
  # files, not a mass delete), and their writes are flushed untimed.
  ORIGEN="$TMP/grandes"
  compara "5 ficheros de 100 MB" copia_a copia_b copia_grande_prepara
  rm -rf "$TMP/grandes"
}

# ---- (b) folder copy, Windows build under Wine ----------------------------------

prepara_wine() {
  [ -z "${WINEPREFIX:-}" ] || return 0
  for p in wine wineboot wineserver; do command -v $p >/dev/null || { echo "falta $p" >&2; exit 1; }; done
  for f in "$WIN32/bench/asistente.exe" "$WIN32/bench/copia_desnuda.exe"; do
    [ -f "$f" ] || { echo "falta $f (scripts/compila.sh win32)" >&2; exit 1; }
  done
  export WINEPREFIX="$TMP/prefijo" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [ -z "${DISPLAY:-}" ]; then
    local n
    for n in $(seq 121 199); do
      [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ] || continue
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$TMP/xvfb.log" 2>&1 &
      pid_xvfb=$!
      sleep 1
      if kill -0 "$pid_xvfb" 2>/dev/null; then export DISPLAY=":$n"; break; fi
      pid_xvfb=""
    done
    [ -n "${DISPLAY:-}" ] || { echo "Xvfb no arrancó" >&2; exit 1; }
  fi
  wineboot -i >"$TMP/wineboot.log" 2>&1
  wineserver -w
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  wineserver -w
  # A Wine server kept alive between rounds, as on a running desktop.
  wineserver -p
}

# The Windows programs run on a Spanish system (decimal comma, code page 1252).
wine_es() { LANG=es_ES.UTF-8 LC_ALL=es_ES.UTF-8 wine "$@"; }

ruta_wine() { local r="Z:$1"; printf '%s' "${r//\//\\}"; }

wine_a() { cronometra wine_es "$WIN32/bench/asistente.exe" copia "$(ruta_wine "$TMP/pequenos")" "$(ruta_wine "$TMP/copias_wine/a$1")"; }
wine_b() { cronometra wine_es "$WIN32/bench/copia_desnuda.exe" "$(ruta_wine "$TMP/pequenos")" "$(ruta_wine "$TMP/copias_wine/b$1")"; }

caso_wine() {
  prepara_wine
  datos_pequenos
  mkdir -p "$TMP/copias_wine"
  cabecera "Copia de carpetas (Windows, bajo Wine) frente al bucle Win32 desnudo"
  compara "$FICHEROS ficheros pequeños en carpetas anidadas" wine_a wine_b
}

# ---- (c) log line cost -----------------------------------------------------------

# Medians of the microseconds per line at line 100 and at line 20,000.
registro() {  # title, command...
  local titulo=$1 i inicio=() fin=() l
  shift
  for ((i = 0; i <= RONDAS; i++)); do
    l=$("$@" registro 20100 100 2>>"$TMP/salida.txt" | tr -d '\r')
    if [ "$i" -gt 0 ]; then inicio+=("${l% *}"); fin+=("${l#* }"); fi
  done
  fila "$titulo" "$(mediana "${fin[@]}")" "$(mediana "${inicio[@]}")" "us"
}

caso_registro() {
  cabecera "Coste de una línea del registro: en la 20.000 (asistente) y en la 100 (referencia)"
  registro "Linux" asis
  prepara_wine
  registro "Windows bajo Wine" wine_es "$WIN32/bench/asistente.exe"
}

# ---- database fixtures -------------------------------------------------------------

SQL() { isql-fb -q -bail -user SYSDBA -password "$CLAVE" "127.0.0.1:$1"; }

# A product database of the version in a folder of its own (the server, as
# root, reaches it).
base_nueva() {  # folder, version
  mkdir -p "$1"
  chmod 777 "$1"
  "$POSIX/tools/basedatos/crea_bd_prueba" "$1/QVD.FB" "$2" >/dev/null
  bases+=("$1/QVD.FB")
}

# A copy of a pristine database file, for one round.
base_copia() {  # pristine folder, new folder
  mkdir -p "$2"
  chmod 777 "$2"
  cp "$1/QVD.FB" "$2/QVD.FB"
  bases+=("$2/QVD.FB")
}

# ---- (d) migration -----------------------------------------------------------------

migra_prepara() {
  base_copia "$MODELO" "$TMP/migra/a$1"
  base_copia "$MODELO" "$TMP/migra/b$1"
  vacia_escrituras
}
migra_a() { cronometra asis migra "$TMP/migra/a$1/QVD.FB" "$VERSION"; }
migra_b() { cronometra isql-fb -q -bail -user SYSDBA -password "$CLAVE" -i "$TMP/migra.sql" "127.0.0.1:$TMP/migra/b$1/QVD.FB"; }

caso_migracion() {
  cabecera "Migración frente a isql-fb con las mismas sentencias"
  for VERSION in 20.21.0.3 20.21.1.0; do
    MODELO="$TMP/modelo_$VERSION"
    base_nueva "$MODELO" "$VERSION"
    asis guion-sql "$VERSION" >"$TMP/migra.sql"
    compara "Base de datos $VERSION ($(grep -c '^COMMIT$' "$TMP/migra.sql") sentencias)" migra_a migra_b migra_prepara
  done
}

# ---- (e) backup and restore ---------------------------------------------------------

# One round: the wizard's backup and restore on one copy (it reports each
# one's seconds), gbak's on another, each gbak timed as a whole process.
copia_bd_ronda() {  # round
  local a="$TMP/cbd/a$1" b="$TMP/cbd/b$1" l
  base_copia "$MODELO" "$a"
  base_copia "$MODELO" "$b"
  vacia_escrituras
  l=$(asis copia-bd "$a/" 2>>"$TMP/salida.txt")
  CBD_A_COPIA=${l%% *}
  l=${l#* }
  CBD_A_REST=${l%% *}
  CBD_B_COPIA=$(cronometra gbak -b -se 127.0.0.1:service_mgr -user SYSDBA -password "$CLAVE" -v -ig -g -nt \
                  "$b/QVD.FB" "$b/QVD.FBK")
  CBD_B_REST=$(cronometra gbak -rep -se 127.0.0.1:service_mgr -user SYSDBA -password "$CLAVE" -v -k -p 4096 \
                 "$b/QVD.FBK" "$b/QVD.FB")
  rm -f "$a/QVD.FBK" "$b/QVD.FBK"
}

copia_bd() {  # title
  local i c=() r=() gc=() gr=()
  for ((i = 0; i <= RONDAS_BD; i++)); do
    copia_bd_ronda "$i"
    if [ "$i" -gt 0 ]; then c+=("$CBD_A_COPIA"); r+=("$CBD_A_REST"); gc+=("$CBD_B_COPIA"); gr+=("$CBD_B_REST"); fi
    # Only the pristine file stays.
    for d in "$TMP/cbd/a$i" "$TMP/cbd/b$i"; do
      echo "DROP DATABASE;" | SQL "$d/QVD.FB" >/dev/null 2>&1 || true
      rm -rf "$d"
    done
  done
  fila "$1: copia" "$(mediana "${c[@]}")" "$(mediana "${gc[@]}")"
  fila "$1: restauración" "$(mediana "${r[@]}")" "$(mediana "${gr[@]}")"
}

# Fills the database with about MB_BD megabytes of rows that do not compress.
base_grande() {  # folder
  base_nueva "$1" 20.21.1.8
  local filas=$((MB_BD * 1024 * 1024 / 260))
  SQL "$1/QVD.FB" >/dev/null <<SQL
CREATE TABLE RELLENO_BENCH (ID INTEGER NOT NULL PRIMARY KEY, DATO VARCHAR(220));
COMMIT;
SET TERM ^ ;
EXECUTE BLOCK AS
  DECLARE i INTEGER = 0;
BEGIN
  WHILE (i < $filas) DO BEGIN
    INSERT INTO RELLENO_BENCH VALUES (:i, UUID_TO_CHAR(GEN_UUID()) || UUID_TO_CHAR(GEN_UUID()) ||
      UUID_TO_CHAR(GEN_UUID()) || UUID_TO_CHAR(GEN_UUID()) || UUID_TO_CHAR(GEN_UUID()) || UUID_TO_CHAR(GEN_UUID()));
    i = i + 1;
  END
END^
SET TERM ; ^
COMMIT;
SQL
}

caso_copia_bd() {
  cabecera "Copia y restauración (servicios) frente a gbak -se"
  MODELO="$TMP/modelo_cbd"
  base_nueva "$MODELO" 20.21.1.8
  RONDAS_BD=$RONDAS
  copia_bd "Base de datos de prueba"
  MODELO="$TMP/modelo_grande"
  base_grande "$MODELO"
  RONDAS_BD=${BENCH_RONDAS_BD_GRANDE:-3}
  copia_bd "Base de datos de $(($(stat -c %s "$MODELO/QVD.FB") / 1048576)) MB"
}

# ---- (f) a whole run on the server machine ------------------------------------------

# The technician's answers in a whole run: the notice read, the run started,
# the final screen read and left.
GUION_SERVIDOR='frmAviso marca LCBLeido
frmAviso pulsa BtnLeido
fV pulsa BtnAceptar
frm_Final marca LCBLeido
frm_Final pulsa BtnSalir'

# A server installation of 20.21.1.0 with its database, as the demo makes it.
instalacion() {  # folder
  mkdir -p "$1"
  chmod 755 "$1"
  "$POSIX/tools/generador/genera_instalacion" --destino "$1/Zelvano" --version 20.21.1.0 --servidor localhost \
    --nombre-pc localhost --registro "$1/registro" --base-datos >/dev/null
  bases+=("$1/Zelvano/Datos/QVD.FB")
  mkdir -p "$1/mutex" "$1/c"
}

corrida() {  # folder
  ZELVANO_REGISTRO="$1/registro" ZELVANO_GUION="$TMP/guion" ZELVANO_TRANSCRIPCION="$1/transcripcion.jsonl" \
  ZELVANO_RUTA_EJECUTABLE="$1/Zelvano/Update/Act_202103_a_202128.exe" ZELVANO_DIR_MUTEX="$1/mutex" \
  ZELVANO_UNIDAD_C="$1/c" ZELVANO_TRAZA_SHELL="$1/shell.txt" ZELVANO_FACTOR_PAUSAS=0 \
  ZELVANO_CUENTA_PAUSAS="$1/pausas" LANG=es_ES.UTF-8 LC_ALL=es_ES.UTF-8 "$POSIX/Act_202103_a_202128"
}

# The yardsticks of the run's own work on a twin installation: the save as
# cp -a of the installation, the unpacking by the extraction tool, the
# migration by isql-fb, the backup and the restore by gbak; their sum.
referencias() {  # folder
  local z="$1/Zelvano" s=0 t
  t=$(cronometra cp -a "$z" "$1/guardada"); s=$(awk -v a="$s" -v b="$t" 'BEGIN { print a + b }')
  t=$(cronometra "$POSIX/tools/rar/rar" x "$POSIX/tools/rar/Datos_Nuevos.rar" -o+ "$1/extraida/")
  s=$(awk -v a="$s" -v b="$t" 'BEGIN { print a + b }')
  t=$(cronometra isql-fb -q -bail -user SYSDBA -password "$CLAVE" -i "$TMP/migra_servidor.sql" "127.0.0.1:$z/Datos/QVD.FB")
  s=$(awk -v a="$s" -v b="$t" 'BEGIN { print a + b }')
  t=$(cronometra gbak -b -se 127.0.0.1:service_mgr -user SYSDBA -password "$CLAVE" -v -ig -g -nt \
        "$z/Datos/QVD.FB" "$z/Datos/QVD.FBK")
  s=$(awk -v a="$s" -v b="$t" 'BEGIN { print a + b }')
  t=$(cronometra gbak -rep -se 127.0.0.1:service_mgr -user SYSDBA -password "$CLAVE" -v -k -p 4096 \
        "$z/Datos/QVD.FBK" "$z/Datos/QVD.FB")
  awk -v a="$s" -v b="$t" 'BEGIN { print a + b }'
}

caso_servidor() {
  for f in "$POSIX/Act_202103_a_202128" "$POSIX/tools/generador/genera_instalacion" "$POSIX/tools/rar/rar"; do
    [ -x "$f" ] || { echo "falta $f (scripts/compila.sh posix)" >&2; exit 1; }
  done
  printf '%s\n' "$GUION_SERVIDOR" >"$TMP/guion"
  asis guion-sql 20.21.1.0 >"$TMP/migra_servidor.sql"
  local i a=() b=() pausas=""
  for ((i = 0; i <= RONDAS; i++)); do
    instalacion "$TMP/servidor/a$i"
    instalacion "$TMP/servidor/b$i"
    vacia_escrituras
    [ "$i" -eq 0 ] || a+=("$(cronometra corrida "$TMP/servidor/a$i")")
    [ "$i" -gt 0 ] || corrida "$TMP/servidor/a$i" >/dev/null 2>&1 || true
    grep -q '"progreso"' "$TMP/servidor/a$i/transcripcion.jsonl" || { echo "la corrida $i no terminó" >&2; exit 1; }
    pausas=$(awk '{ s += $1 } END { print s / 1000 }' "$TMP/servidor/a$i/pausas")
    [ "$i" -eq 0 ] || b+=("$(referencias "$TMP/servidor/b$i")")
  done
  cabecera "Actualización completa en el servidor, sin pausas, frente a la suma de las referencias"
  fila "Instalación 20.21.1.0 con su base de datos" "$(mediana "${a[@]}")" "$(mediana "${b[@]}")"
  echo "Pausas que la corrida pide (y aquí no espera): $pausas s"
}

# ---- (g) what durability costs ---------------------------------------------------

durable_a() { vacia_escrituras; cronometra asis copia-durable "$TMP/pequenos" "$TMP/durable/a$1/copia"; }
durable_b() { vacia_escrituras; cronometra asis copia "$TMP/pequenos" "$TMP/durable/b$1/copia"; }
durable_prepara() { rm -rf "$TMP/durable"; mkdir -p "$TMP/durable/a$1" "$TMP/durable/b$1"; }
servidor_a() {
  instalacion "$TMP/durable/a$1"
  vacia_escrituras
  cronometra corrida "$TMP/durable/a$1"
}
servidor_b() {
  instalacion "$TMP/durable/b$1"
  vacia_escrituras
  ZELVANO_SIN_VOLCADO=1 cronometra corrida "$TMP/durable/b$1"
}

caso_durable() {
  datos_pequenos
  printf '%s\n' "$GUION_SERVIDOR" >"$TMP/guion"
  cabecera "Copia asegurada en el disco (manifiesto y volcado) frente a la misma sin asegurar"
  compara "$FICHEROS ficheros pequeños en carpetas anidadas" durable_a durable_b durable_prepara
  compara "Actualización completa en el servidor, con volcados frente a sin ellos" servidor_a servidor_b \
    durable_prepara
}

# ---- one side at a time ------------------------------------------------------------

# Prepares N rounds of one side in a folder that outlives this script: the
# rounds' databases are listed in it for "suelta".
prepara_lado() {  # side, folder, rounds
  local lado=$1 dir=$2 n=$3 i
  mkdir -p "$dir"
  chmod 755 "$dir"
  case "$lado" in
    copia | copia-durable) FICHEROS=$FICHEROS arbol_pequenos "$dir/origen" ;;
    servidor | servidor-sin-volcado) printf '%s\n' "$GUION_SERVIDOR" >"$dir/guion" ;;
    copia-bd) base_nueva "$dir/modelo" 20.21.1.8 ;;
    *) echo "lado desconocido: $lado" >&2; exit 2 ;;
  esac
  for ((i = 0; i < n; i++)); do
    case "$lado" in
      servidor | servidor-sin-volcado) instalacion "$dir/r$i" ;;
      copia-bd) base_copia "$dir/modelo" "$dir/r$i" ;;
      *) mkdir -p "$dir/r$i" ;;
    esac
  done
  printf '%s\n' "${bases[@]}" >>"$dir/bases"
  bases=()
  echo "$lado" >"$dir/lado"
  sync
}

# The next round nobody took yet.
siguiente_ronda() {  # folder
  local i=0
  while [ -d "$1/r$i" ]; do
    if mkdir "$1/r$i/.tomada" 2>/dev/null; then echo "$1/r$i"; return 0; fi
    i=$((i + 1))
  done
  echo "no quedan rondas preparadas en $1" >&2
  exit 1
}

lado() {  # folder
  local dir=$1 r
  r=$(siguiente_ronda "$dir")
  TMP=$dir
  case "$(cat "$dir/lado")" in
    copia) asis copia "$dir/origen" "$r/copia" >/dev/null ;;
    copia-durable) asis copia-durable "$dir/origen" "$r/copia" >/dev/null ;;
    servidor) corrida "$r" >/dev/null 2>&1 ;;
    servidor-sin-volcado) ZELVANO_SIN_VOLCADO=1 corrida "$r" >/dev/null 2>&1 ;;
    copia-bd) asis copia-bd "$r/" >/dev/null ;;
  esac
}

suelta() {  # folder
  local b
  [ -f "$1/bases" ] || return 0
  while read -r b; do
    echo "DROP DATABASE;" | SQL "$b" >/dev/null 2>&1 || true
  done <"$1/bases"
  rm -f "$1/bases"
}

# ---- main ------------------------------------------------------------------------------

case "${1:-}" in
  prepara) [ $# -eq 4 ] || { echo "uso: $0 prepara LADO CARPETA N" >&2; exit 2; }
           prepara_lado "$2" "$3" "$4"; exit 0 ;;
  lado) [ $# -eq 2 ] || { echo "uso: $0 lado CARPETA" >&2; exit 2; }
        lado "$2"; exit 0 ;;
  suelta) [ $# -eq 2 ] || { echo "uso: $0 suelta CARPETA" >&2; exit 2; }
          suelta "$2"; exit 0 ;;
esac

for f in "$ASIS" "$POSIX/tools/basedatos/crea_bd_prueba"; do
  [ -x "$f" ] || { echo "falta $f (scripts/compila.sh posix)" >&2; exit 1; }
done
echo "Equipo: $(nproc) núcleos, $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)," \
     "$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'); $RONDAS rondas emparejadas, medianas"
for c in "${casos[@]}"; do
  case "$c" in
    copia) caso_copia ;;
    wine) caso_wine ;;
    registro) caso_registro ;;
    migracion) caso_migracion ;;
    copia-bd) caso_copia_bd ;;
    servidor) caso_servidor ;;
    durable) caso_durable ;;
    *) echo "caso desconocido: $c" >&2; exit 2 ;;
  esac
done
