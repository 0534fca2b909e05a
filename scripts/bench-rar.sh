#!/usr/bin/env bash
# Benchmark of the RAR 4 packer and extractor (not a test): builds a corpus
# of real files from this machine (programs, documentation, text, images),
# then compares, in one run, our archive size and packing/unpacking speed
# with gzip -9 and xz -9 of a tar of the same files, and our extractor with
# bsdtar on the same archive.
#
#   scripts/bench-rar.sh [build folder] [corpus size in MB]
#
# The build folder must hold the programs "empaqueta" and "rar"
# (default: build-rar).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build-rar}
MB=${2:-48}
EMPAQUETA=$(find "$BUILD" -name empaqueta -type f -perm -u+x | head -1)
RAR=$(find "$BUILD" -name rar -type f -perm -u+x | head -1)
[ -x "$EMPAQUETA" ] && [ -x "$RAR" ] || { echo "faltan empaqueta o rar en $BUILD" >&2; exit 1; }
for p in gzip xz tar bsdtar /usr/bin/time; do command -v $p >/dev/null || { echo "falta $p" >&2; exit 1; }; done

TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
CORPUS="$TMP/corpus"
mkdir -p "$CORPUS"

# Corpus: a quarter each of programs, documents, text and images, skipping
# files that are already compressed (.gz, .xz, .bz2, .zst).
copia() {  # <dest subfolder> <budget in bytes> <name patterns, comma separated> <roots...>
  local nombre=$1 dest="$CORPUS/$1" budget=$2 patrones=$3; shift 3
  mkdir -p "$dest"
  local nombres=() p
  IFS=',' read -ra lista <<< "$patrones"
  for p in "${lista[@]}"; do
    [ ${#nombres[@]} -gt 0 ] && nombres+=(-o)
    nombres+=(-name "$p")
  done
  local total=0 n=0
  while IFS= read -r -d '' f; do
    local s; s=$(stat -c %s "$f")
    [ "$s" -gt 0 ] && [ "$s" -lt 8000000 ] || continue
    [ $((total + s)) -le "$budget" ] || continue
    n=$((n + 1))
    cp "$f" "$dest/$(printf '%05d' $n)_$(basename "$f")" 2>/dev/null || continue
    total=$((total + s))
  done < <(find "$@" -type f \( "${nombres[@]}" \) ! -name '*.gz' ! -name '*.xz' ! -name '*.bz2' \
             ! -name '*.zst' -print0 2>/dev/null | sort -z)
  printf '  %-11s %5d ficheros %10d bytes\n' "$nombre" "$n" "$total"
}
Q=$((MB * 1024 * 1024 / 4))
echo "Corpus:"
copia programas $Q '*' /usr/bin
copia documentos $Q '*.pdf,*.html,*.txt,README*,*.md' /usr/share/doc
copia textos $Q '*.cmake,*.pm,*.txt,*.pl' /usr/share/common-licenses /usr/share/cmake-3.25 /usr/share/perl5 /usr/share/perl
copia imagenes $Q '*.png,*.svg,*.xpm,*.bmp,*.ico,*.jpg' /usr/share/pixmaps /usr/share/icons /usr/share/wine /usr/share/doc
BYTES=$(du -sb "$CORPUS" | cut -f1)
FICHEROS=$(find "$CORPUS" -type f | wc -l)

# Processor time (user + system, children included) rather than wall time:
# on a shared machine the wall clock mostly measures the neighbours.
mide() {  # prints the processor seconds the command took
  local f="$TMP/tiempo.$$"
  /usr/bin/time -f "%U %S" -o "$f" "$@" >/dev/null 2>&1 || true
  awk '{ printf "%.3f", $1 + $2 }' "$f"
}
mbs() { awk -v b="$BYTES" -v s="$1" 'BEGIN { printf "%.1f", b / 1048576 / (s > 0 ? s : 1e-9) }'; }
tam() { stat -c %s "$1"; }

T_TAR=$(mide tar -cf "$TMP/c.tar" -C "$TMP" corpus)
T_RAR=$(mide "$EMPAQUETA" "$TMP/solido.rar" "$CORPUS")
T_RAR_IND=$(mide "$EMPAQUETA" --sin-encadenar "$TMP/suelto.rar" "$CORPUS")
T_GZ=$(mide sh -c "gzip -9 -c '$TMP/c.tar' > '$TMP/c.tar.gz'")
T_XZ=$(mide sh -c "xz -9 -T1 -c '$TMP/c.tar' > '$TMP/c.tar.xz'")

# Unpacking is short: best of three runs, each into an empty folder,
# alternating the tools.
U_RAR=999999; U_RAR_IND=999999; U_BSD=999999; U_GZ=999999; U_XZ=999999
menor() { awk -v a="$1" -v b="$2" 'BEGIN { print (a < b) ? a : b }'; }
for vuelta in 1 2 3; do
  rm -rf "$TMP"/x[1-5]; mkdir -p "$TMP/x1" "$TMP/x2" "$TMP/x3" "$TMP/x4" "$TMP/x5"
  U_RAR=$(menor "$U_RAR" "$(mide "$RAR" x "$TMP/solido.rar" -o+ "$TMP/x1/")")
  U_RAR_IND=$(menor "$U_RAR_IND" "$(mide "$RAR" x "$TMP/suelto.rar" -o+ "$TMP/x2/")")
  U_BSD=$(menor "$U_BSD" "$(mide sh -c "cd '$TMP/x3' && bsdtar -xf '$TMP/suelto.rar'")")
  U_GZ=$(menor "$U_GZ" "$(mide sh -c "gzip -dc '$TMP/c.tar.gz' | tar -xf - -C '$TMP/x4'")")
  U_XZ=$(menor "$U_XZ" "$(mide sh -c "xz -dc '$TMP/c.tar.xz' | tar -xf - -C '$TMP/x5'")")
done

for d in x1 x2 x3; do
  diff -r "$CORPUS" "$TMP/$d" >/dev/null || { echo "ERROR: la extracción $d no coincide con el corpus" >&2; exit 2; }
done

S_RAR=$(tam "$TMP/solido.rar"); S_IND=$(tam "$TMP/suelto.rar")
S_GZ=$(tam "$TMP/c.tar.gz"); S_XZ=$(tam "$TMP/c.tar.xz")
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }

echo "Total: $FICHEROS ficheros, $BYTES bytes (tar $(tam "$TMP/c.tar") bytes)"
echo "Velocidades en MB del corpus por segundo de procesador (usuario + sistema)."
printf '%-28s %12s %9s %12s %12s\n' "formato" "bytes" "relación" "empaquetar" "desempaquetar"
printf '%-28s %12s %9s %9s MB/s %9s MB/s\n' "rar sólido (nuestro)" "$S_RAR" "$(ratio "$S_RAR" "$BYTES")" "$(mbs "$T_RAR")" "$(mbs "$U_RAR")"
printf '%-28s %12s %9s %9s MB/s %9s MB/s\n' "rar sin encadenar (nuestro)" "$S_IND" "$(ratio "$S_IND" "$BYTES")" "$(mbs "$T_RAR_IND")" "$(mbs "$U_RAR_IND")"
printf '%-28s %12s %9s %9s MB/s %9s MB/s\n' "  el mismo, con bsdtar" "$S_IND" "$(ratio "$S_IND" "$BYTES")" "-" "$(mbs "$U_BSD")"
printf '%-28s %12s %9s %9s MB/s %9s MB/s\n' "tar + gzip -9" "$S_GZ" "$(ratio "$S_GZ" "$BYTES")" "$(mbs "$T_GZ")" "$(mbs "$U_GZ")"
printf '%-28s %12s %9s %9s MB/s %9s MB/s\n' "tar + xz -9" "$S_XZ" "$(ratio "$S_XZ" "$BYTES")" "$(mbs "$T_XZ")" "$(mbs "$U_XZ")"
echo
echo "tamaño rar sólido / gzip -9:          $(ratio "$S_RAR" "$S_GZ")"
echo "tamaño rar sólido / xz -9:            $(ratio "$S_RAR" "$S_XZ")"
echo "empaquetado: tiempo rar / gzip -9:    $(ratio "$T_RAR" "$T_GZ")"
echo "empaquetado: tiempo rar / xz -9:      $(ratio "$T_RAR" "$T_XZ")"
echo "extracción: tiempo rar / bsdtar (mismo archivo): $(ratio "$U_RAR_IND" "$U_BSD")"
echo "extracción: tiempo rar / gzip -d|tar: $(ratio "$U_RAR" "$U_GZ")"
echo "extracción: tiempo rar / xz -d|tar:   $(ratio "$U_RAR" "$U_XZ")"
