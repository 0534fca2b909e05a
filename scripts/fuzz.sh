#!/usr/bin/env bash
# Fuzzes every reader of bytes the wizard did not write, each for a bounded
# time, under AddressSanitizer and UBSan (tree build/fuzz, built by
# scripts/compila.sh fuzz). The seed corpora are written afresh from the
# fixtures on every run. A crash, a hang or a broken promise of a target
# fails the run and leaves the input in build/fuzz/hallazgos/.
#   ZELVANO_FUZZ_SEGUNDOS  seconds per target (default 45)
#   ZELVANO_FUZZ_OBJETIVOS targets to run (default: all)
set -euo pipefail
raiz="$(cd "$(dirname "$0")/.." && pwd)"
cd "$raiz"
segundos="${ZELVANO_FUZZ_SEGUNDOS:-45}"
objetivos=(${ZELVANO_FUZZ_OBJETIVOS:-version perfil registro rar parametros texto formatos})

bash scripts/compila.sh fuzz
arbol="$raiz/build/fuzz"
corpus="$arbol/corpus"
hallazgos="$arbol/hallazgos"
registros="$arbol/registros"
rm -rf "$corpus" "$registros"
mkdir -p "$corpus" "$hallazgos" "$registros"
"$arbol/semillas" "$corpus"

# The targets' scratch files, in memory when possible, removed at the end.
ZELVANO_FUZZ_TEMPORAL="$(mktemp -d /dev/shm/zelvano-fuzz.XXXXXX 2>/dev/null || mktemp -d)"
export ZELVANO_FUZZ_TEMPORAL
trap 'rm -rf "$ZELVANO_FUZZ_TEMPORAL"' EXIT
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:allocator_may_return_null=1"
export UBSAN_OPTIONS="print_stacktrace=1"

ejecuta() {
  local o="$1"
  "$arbol/fuzz_$o" "$corpus/$o" -max_total_time="$segundos" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$hallazgos/$o-" -print_final_stats=1 >"$registros/$o.log" 2>&1
}

# Two targets at a time: the machines that run this have two cores.
declare -A trabajo=()
fallos=0
pendientes=("${objetivos[@]}")
while [ ${#pendientes[@]} -gt 0 ] || [ ${#trabajo[@]} -gt 0 ]; do
  while [ ${#pendientes[@]} -gt 0 ] && [ ${#trabajo[@]} -lt 2 ]; do
    o="${pendientes[0]}"
    pendientes=("${pendientes[@]:1}")
    ejecuta "$o" &
    trabajo[$o]=$!
  done
  wait -n || true
  for o in "${!trabajo[@]}"; do
    if ! kill -0 "${trabajo[$o]}" 2>/dev/null; then
      if wait "${trabajo[$o]}"; then estado=bien; else estado=FALLO; fallos=1; fi
      ejecuciones="$(sed -n 's/^stat::number_of_executed_units: *//p' "$registros/$o.log" | tail -1)"
      printf '%-11s %10s ejecuciones en %ss  %s\n' "$o" "${ejecuciones:-?}" "$segundos" "$estado"
      if [ "$estado" = FALLO ]; then
        grep -E 'ERROR|Comprobación|SUMMARY|Test unit written' "$registros/$o.log" | head -8 >&2 || true
        echo "  reproducir: $arbol/fuzz_$o <fichero de $hallazgos>" >&2
      fi
      unset "trabajo[$o]"
    fi
  done
done
if [ "$fallos" -ne 0 ]; then
  echo "EL FUZZING HA ENCONTRADO FALLOS (registros en $registros)" >&2
  exit 1
fi
