#!/usr/bin/env bash
# The demo on a fresh machine: installs what is missing, starts the local
# Firebird server, builds the Linux program, then twice generates a fresh
# server installation of version 20.21.1.0 with a real database and runs a
# complete update with a scripted user (reads the notice, starts the update,
# acknowledges the final screen). After each run it prints the process log,
# the log file's path, the registry values written and the version now
# stamped in the database.
set -euo pipefail
raiz="$(cd "$(dirname "$0")/.." && pwd)"
cd "$raiz"
source scripts/asistente-comun.sh

bash scripts/instala-dependencias.sh
bash scripts/firebird.sh arranca
# ZELVANO_DIR_BUILD_DEMO: an already built tree to use instead of build/posix.
if [ -n "${ZELVANO_DIR_BUILD_DEMO:-}" ]; then
  build="$ZELVANO_DIR_BUILD_DEMO"
else
  bash scripts/compila.sh posix
  build="$raiz/build/posix"
fi

export LANG=es_ES.UTF-8
asistente="$build/Act_202103_a_202128"
generador="$build/tools/generador/genera_instalacion"
for programa in "$asistente" "$generador"; do
  if [ ! -x "$programa" ]; then
    echo "Falta $programa: la compilación no lo ha producido." >&2
    exit 1
  fi
done

clave_producto='SOFTWARE\Pelmora Soft\Zelvano Nova'

# Values of one registry key of the posix store (tab-separated lines: "K",
# root, path; then "V", type, name, data), backslash escapes undone.
muestra_clave() {
  local almacen="$1" ruta="$2"
  awk -F '\t' -v ruta="$ruta" '
    function desescapa(s) { gsub(/\\\\/, "\\", s); return s }
    $1 == "K" { dentro = ($2 == "0" && toupper(desescapa($3)) == toupper(ruta)) ; next }
    dentro && $1 == "V" { printf "    %-32s %s\n", desescapa($3), desescapa($4) }
  ' "$almacen"
}

pasada() {
  local n="$1"
  local trabajo
  trabajo="$(mktemp -d /tmp/zelvano-demo-XXXXXX)"
  chmod 755 "$trabajo"
  local instalacion="$trabajo/Zelvano"
  local registro="$trabajo/registro"
  echo
  echo "=============================================================="
  echo " Pasada $n: instalación nueva de la versión 20.21.1.0 en"
  echo "   $instalacion"
  echo "=============================================================="
  "$generador" --destino "$instalacion" --version 20.21.1.0 --servidor localhost \
               --nombre-pc localhost --registro "$registro" --base-datos

  escribe_guion "$trabajo"
  local estado=0
  lanza_asistente "$asistente" "$trabajo" "$instalacion" || estado=$?

  local log="$instalacion/Excepciones_Act_202128.log"
  echo
  echo "--- Registro de procesos (estado de salida $estado) ---"
  if [ -f "$log" ]; then
    iconv -f CP1252 -t UTF-8 "$log" | tr -d '\r'
  else
    echo "(no se ha escrito el fichero de registro)"
  fi
  echo
  echo "--- Fichero de registro ---"
  echo "$log"
  echo
  echo "--- Valores escritos en HKEY_CURRENT_USER\\$clave_producto ---"
  muestra_clave "$registro" "$clave_producto"
  echo
  echo "--- Versión en la base de datos ($instalacion/Datos/QVD.FB) ---"
  printf 'SELECT VERSION_ZELVANO FROM EMPRESA;\n' |
    isql-fb -q -user SYSDBA -password Zv2128 "localhost:$instalacion/Datos/QVD.FB"
  echo "(carpeta de la pasada: $trabajo)"
}

pasada 1
pasada 2
