#!/usr/bin/env bash
# Builds the Wine tests' fbclient.dll into the folder given (created when
# missing): the forwarding functions with the 32-bit Linux compiler, then
# winegcc links them with the export table of fbclient.spec into a Winelib
# library. Wine loads it as a builtin DLL when the file is named fbclient.dll
# (no ".so") and lies in the prefix's 32-bit system folder or next to the
# executable. Rebuilt only when a source is newer than the library.
# With "64" as second argument, the 64-bit variant for the 64-bit test build
# (a kernel that runs no 32-bit programs): against Debian's amd64 client,
# placed in the prefix's system32 folder.
set -euo pipefail
fuentes="$(cd "$(dirname "$0")" && pwd)"
destino="${1:?uso: compila.sh CARPETA_DESTINO [32|64]}"
bits="${2:-32}"
mkdir -p "$destino"
dll="$destino/fbclient.dll"
# The i386 package has no libfbclient.so link: the library by its full name.
case "$bits" in
  32) cliente=/usr/lib/i386-linux-gnu/libfbclient.so.2 ;;
  64) cliente=/usr/lib/x86_64-linux-gnu/libfbclient.so.2 ;;
  *) echo "compila.sh: se esperaba 32 o 64, no «$bits»" >&2; exit 1 ;;
esac

for requisito in "$cliente" /usr/include/ibase.h; do
  if [ ! -f "$requisito" ]; then
    echo "compila.sh: falta $requisito (bash scripts/instala-dependencias.sh)" >&2
    exit 1
  fi
done
if ! command -v winegcc >/dev/null; then
  echo "compila.sh: falta winegcc (bash scripts/instala-dependencias.sh)" >&2
  exit 1
fi

# Every function the wizard loads must be exported, or the wizard would
# find no usable client library.
cargadas="$(sed -n 's/.*Carga(modulo, "\([A-Za-z0-9_]*\)".*/\1/p' "$fuentes/../../database/ClienteFirebird.cpp" | sort -u)"
if [ -z "$cargadas" ]; then
  echo "compila.sh: no se hallan las funciones que carga database/ClienteFirebird.cpp" >&2
  exit 1
fi
faltan="$(comm -23 <(echo "$cargadas") <(awk '/^@/ { sub(/\(.*/, "", $3); print $3 }' "$fuentes/fbclient.spec" | sort -u))"
if [ -n "$faltan" ]; then
  echo "compila.sh: fbclient.spec no exporta lo que el asistente carga:" $faltan >&2
  exit 1
fi

if [ -f "$dll" ] && [ "$dll" -nt "$fuentes/reenvio.c" ] && [ "$dll" -nt "$fuentes/fbclient.spec" ] &&
   [ "$dll" -nt "$0" ] && [ "$(cat "$destino/fbclient.bits" 2>/dev/null)" = "$bits" ]; then
  exit 0
fi

obra="$(mktemp -d "$destino/obra-XXXXXX")"
trap 'rm -rf "$obra"' EXIT
gcc -m"$bits" -O2 -fPIC -std=c11 -Wall -Wextra -Werror -c "$fuentes/reenvio.c" -o "$obra/reenvio.o"
winegcc -m"$bits" -shared "$fuentes/fbclient.spec" "$obra/reenvio.o" "$cliente" -o "$obra/fbclient.dll.so"
mv "$obra/fbclient.dll.so" "$dll"
echo "$bits" >"$destino/fbclient.bits"
