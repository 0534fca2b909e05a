#!/usr/bin/env bash
# Builds the three trees: Linux (posix backend), Linux under AddressSanitizer
# and UBSan, and the Windows executable cross-built for i686. "fuzz" builds
# the fuzz targets apart (clang, libFuzzer), into build/fuzz. "win64" builds
# the same sources for x86_64 into build/win64: a test build only, for the
# Wine tests on a kernel that runs no 32-bit programs ("todo" builds it
# there alone; scripts/wine-nucleo.sh decides).
set -euo pipefail
raiz="$(cd "$(dirname "$0")/.." && pwd)"
cd "$raiz"
nucleos="$(nproc)"
que="${1:-todo}"

if [ "$que" = todo ] || [ "$que" = posix ]; then
  cmake -S . -B build/posix -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build/posix -j "$nucleos"
fi
if [ "$que" = todo ] || [ "$que" = win32 ]; then
  cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE="$raiz/cmake/mingw-i686.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build/win32 -j "$nucleos"
fi
if [ "$que" = todo ] && [ "$(bash scripts/wine-nucleo.sh | sed -n 's/^ZELVANO_WINE_BITS=//p')" = 64 ]; then
  que_win64=1
else
  que_win64=0
fi
if [ "$que" = win64 ] || [ "$que_win64" = 1 ]; then
  cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE="$raiz/cmake/mingw-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build/win64 -j "$nucleos"
fi
if [ "$que" = todo ] || [ "$que" = asan ]; then
  cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DZELVANO_SANITIZE=ON >/dev/null
  cmake --build build/asan -j "$nucleos"
fi
if [ "$que" = fuzz ]; then
  cmake -S tools/fuzz -B build/fuzz -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build/fuzz -j "$nucleos"
fi
