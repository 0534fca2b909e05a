# Shared by the tests under Wine on the machine that serves the database
# (sourced after comun.sh): the stand-in fbclient.dll in the prefix, the
# local Firebird server, queries on the installation's database, a server
# installation, and the user starting its update.
# shellcheck shell=bash

SERVIDOR=localhost
DATOS="$APP/Datos"
BASE="$DATOS/QVD.FB"
# The SYSDBA password that scripts/firebird.sh gives the local server.
CLAVE_SYSDBA="$(sed -n 's/^CLAVE=//p' "$ZELVANO_FUENTES/scripts/firebird.sh")"
# The system folder of programs of the wizard's width: syswow64 for the
# 32-bit build, system32 for the 64-bit test build (scripts/wine-nucleo.sh).
if [ "${ZELVANO_WINE_BITS:-32}" = 64 ]; then
  SISTEMA32="$C/windows/system32"
else
  SISTEMA32="$C/windows/syswow64"
fi

# The other tests run without a client library: it is there for the server
# tests only.
[ -f "$ZELVANO_FBCLIENT_WINE" ] || aborta "falta $ZELVANO_FBCLIENT_WINE (tools/fbclient_wine/compila.sh)"
cp "$ZELVANO_FBCLIENT_WINE" "$SISTEMA32/fbclient.dll" || aborta "no se pudo copiar fbclient.dll al prefijo"
trap 'rm -f "$SISTEMA32/fbclient.dll"' EXIT
bash "$ZELVANO_FUENTES/scripts/firebird.sh" arranca >"$TMP_PRUEBA/firebird.log" 2>&1 ||
  aborta "el servidor Firebird no está disponible: $(cat "$TMP_PRUEBA/firebird.log")"

# One query on the installation's database through the server; prints the
# values found between '#' marks, one a line.
consulta() { # select-expression from-clause
  local salida
  salida="$(echo "SELECT '#' || ($1) || '#' FROM $2;" |
    isql-fb -q -user SYSDBA -password "$CLAVE_SYSDBA" "127.0.0.1:$BASE" 2>&1)" || {
    echo "<$salida>"
    return 1
  }
  sed -n 's/^#\(.*\)#[[:space:]]*$/\1/p' <<<"$salida"
}
version_bd() { consulta VERSION_ZELVANO EMPRESA; }
# How many domains of that name the database holds (the batch below
# 20.21.1.0 creates one at its first step).
dominios() { consulta "CAST(COUNT(*) AS VARCHAR(9))" "RDB\$FIELDS WHERE RDB\$FIELD_NAME = '$1'"; }

# Every file of "Datos" with its checksum.
listado_datos() { (cd "$DATOS" && find . -type f -print0 | LC_ALL=C sort -z | xargs -0 -r sha256sum); }

# A server installation of `version` with a real database in its "Datos";
# this machine's name as stored in the configuration (the server's by
# default); further arguments go to the generator.
instala_servidor() { # version [nombre_pc [generator options...]]
  NOMBRE_PC="${2:-$SERVIDOR}"
  local version="$1"
  shift $(($# < 2 ? $# : 2))
  instala "$version" "$NOMBRE_PC" "$SERVIDOR" --ruta-datos "$DATOS/" --base-datos "$@"
  hay_fichero "$BASE"
  igual "versión de la base de datos generada" "$version" "$(version_bd)"
}

# The user reads the notice and starts the update; the main window shows
# the server's facts first.
inicia() { # etiqueta version
  arranca_asistente "$1"
  usuario espera-ventana frmAviso 120
  usuario marca frmAviso "He Leído y Entendido"
  usuario pulsa-y-cierra frmAviso "» Siguiente"
  igual "$1: versión mostrada" "$2" "$(texto_de fV Version)"
  igual "$1: equipo local mostrado" "$NOMBRE_PC" "$(texto_de fV NombrePC)"
  igual "$1: servidor mostrado" "$SERVIDOR" "$(texto_de fV NombreServidor)"
  igual "$1: carpeta de datos mostrada" "$DATOS/" "$(texto_de fV RutaDatos)"
  usuario pulsa fV "Iniciar Actualización"
}
