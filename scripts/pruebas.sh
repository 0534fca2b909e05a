#!/usr/bin/env bash
# The whole test suite on a fresh machine: installs what is missing, starts
# the Firebird server, builds the three trees and runs every test (the
# sanitizer build, a bounded fuzzing of every reader of outside bytes and the
# Windows executable under Wine included).
set -euo pipefail
raiz="$(cd "$(dirname "$0")/.." && pwd)"
cd "$raiz"

bash scripts/instala-dependencias.sh
bash scripts/firebird.sh arranca
bash scripts/compila.sh todo

export LANG=es_ES.UTF-8
export ZELVANO_EXE_WIN32="$raiz/build/win32/Act_202103_a_202128.exe"
export ZELVANO_BUILD_WIN32="$raiz/build/win32"
export ZELVANO_ARTEFACTOS="${ZELVANO_ARTEFACTOS:-$raiz/build/artefactos}"
mkdir -p "$ZELVANO_ARTEFACTOS"

fallos=0
echo "== Pruebas (Linux) =="
ctest --test-dir build/posix --output-on-failure -j 2 || fallos=1
echo "== Pruebas bajo AddressSanitizer y UBSan =="
# The operation-by-operation walks (faults, kills, power cuts) take every 4th
# of their points here: the Linux build above walks them all.
ZELVANO_RECORRIDO_PASO=4 ASAN_OPTIONS=detect_leaks=0 ctest --test-dir build/asan --output-on-failure -j 2 || fallos=1
echo "== Fuzzing de los lectores de entradas ajenas (libFuzzer, ASan y UBSan) =="
bash scripts/fuzz.sh || fallos=1
if [ -f scripts/pruebas-wine.sh ]; then
  echo "== Pruebas del ejecutable de Windows bajo Wine =="
  bash scripts/pruebas-wine.sh || fallos=1
fi
if [ "$fallos" -ne 0 ]; then
  echo "HAY PRUEBAS FALLIDAS" >&2
  exit 1
fi
echo "Todas las pruebas han pasado."
