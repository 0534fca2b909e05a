#!/usr/bin/env bash
# Whether this machine's kernel runs 32-bit programs, asked once for every
# Wine test (scripts/pruebas-wine.sh and the ctest probes). The product is a
# 32-bit Windows executable; where the kernel has no 32-bit emulation the
# 32-bit Wine cannot start, and the Wine tests run a 64-bit build of the
# same sources under 64-bit Wine instead, and say so.
#
# Prints KEY=VALUE lines (values unquoted, to the end of the line):
#   ZELVANO_WINE_BITS    32 or 64
#   ZELVANO_WINE_TRIPLE  the cross compiler's prefix of that build
#   ZELVANO_WINE_RUTA    a folder to put first in PATH ("" with 32 bits):
#                        there "wine" is the 64-bit loader
#   ZELVANO_WINE_AVISO   the warning to print ("" with 32 bits)
set -uo pipefail
raiz="$(cd "$(dirname "$0")/.." && pwd)"

# The 32-bit loader itself: it fails with "Exec format error" (status 126)
# when the kernel cannot run it.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "ZELVANO_WINE_BITS=32"
  echo "ZELVANO_WINE_TRIPLE=i686-w64-mingw32"
  echo "ZELVANO_WINE_RUTA="
  echo "ZELVANO_WINE_AVISO="
else
  echo "ZELVANO_WINE_BITS=64"
  echo "ZELVANO_WINE_TRIPLE=x86_64-w64-mingw32"
  echo "ZELVANO_WINE_RUTA=$raiz/tools/wine64"
  echo "ZELVANO_WINE_AVISO=AVISO: este núcleo no ejecuta programas de 32 bits; las pruebas de Wine usan la compilación de 64 bits de las mismas fuentes (build/win64)"
fi
