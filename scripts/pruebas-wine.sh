#!/usr/bin/env bash
# The Windows executable under Wine, as a technician would run it on a
# 64-bit Windows 10 in Spanish: a fresh Wine prefix for this run, a virtual
# X display, the Spanish locale (decimal comma, code page 1252). Runs every
# tests/wine/*.sh in that prefix and the resource check of the executable,
# and leaves screenshots in $ZELVANO_ARTEFACTOS.
#
# Inputs (set by scripts/pruebas.sh; the defaults are the build/ trees):
#   ZELVANO_BUILD_WIN32  cross build tree (wizard, rar.exe, helper, archive)
#   ZELVANO_EXE_WIN32    the wizard's executable
#   ZELVANO_EXE_PRUEBAS_WIN32  its test build, with the fault seam
#   ZELVANO_BUILD_POSIX  Linux build tree (installation generator)
#   ZELVANO_ARTEFACTOS   folder for screenshots and logs
# The stand-in fbclient.dll of the server tests (tools/fbclient_wine) is
# built here, into the cross build tree.
#   ZELVANO_BUILD_WIN64  the x86_64 test build (default build/win64), run in
#                        place of the cross build tree where the kernel runs
#                        no 32-bit programs (scripts/wine-nucleo.sh); the
#                        resource check stays on the shipped 32-bit build
# Optional arguments: names of the tests to run (e.g. "bloqueo").
set -uo pipefail
raiz="$(cd "$(dirname "$0")/.." && pwd)"

export ZELVANO_BUILD_WIN32="${ZELVANO_BUILD_WIN32:-$raiz/build/win32}"
export ZELVANO_EXE_WIN32="${ZELVANO_EXE_WIN32:-$ZELVANO_BUILD_WIN32/Act_202103_a_202128.exe}"
export ZELVANO_EXE_PRUEBAS_WIN32="${ZELVANO_EXE_PRUEBAS_WIN32:-$ZELVANO_BUILD_WIN32/Act_202103_a_202128_pruebas.exe}"
export ZELVANO_BUILD_POSIX="${ZELVANO_BUILD_POSIX:-$raiz/build/posix}"
export ZELVANO_ARTEFACTOS="${ZELVANO_ARTEFACTOS:-$raiz/build/artefactos}"
export ZELVANO_FUENTES="$raiz"
mkdir -p "$ZELVANO_ARTEFACTOS"

# What ships is checked as it ships, whatever Wine can run here.
exe_entrega="$ZELVANO_EXE_WIN32"
archivo_entrega="$ZELVANO_BUILD_WIN32/tools/rar/Datos_Nuevos.rar"
while IFS='=' read -r clave valor; do
  export "$clave=$valor"
done < <(bash "$raiz/scripts/wine-nucleo.sh")
aviso() { [ -z "$ZELVANO_WINE_AVISO" ] || echo "$ZELVANO_WINE_AVISO"; }
if [ "$ZELVANO_WINE_BITS" = 64 ]; then
  aviso
  export ZELVANO_BUILD_WIN32="${ZELVANO_BUILD_WIN64:-$raiz/build/win64}"
  export ZELVANO_EXE_WIN32="$ZELVANO_BUILD_WIN32/Act_202103_a_202128.exe"
  export ZELVANO_EXE_PRUEBAS_WIN32="$ZELVANO_BUILD_WIN32/Act_202103_a_202128_pruebas.exe"
  export PATH="$ZELVANO_WINE_RUTA:$PATH"
fi

export ZELVANO_AYUDANTE="$ZELVANO_BUILD_WIN32/tools/ayudante_wine/ayudante_wine.exe"
export ZELVANO_RAR_EXE="$ZELVANO_BUILD_WIN32/tools/rar/rar.exe"
export ZELVANO_ARCHIVO_RAR="$ZELVANO_BUILD_WIN32/tools/rar/Datos_Nuevos.rar"
export ZELVANO_GENERADOR="$ZELVANO_BUILD_POSIX/tools/generador/genera_instalacion"

faltan=0
for f in "$exe_entrega" "$archivo_entrega" "$ZELVANO_EXE_WIN32" "$ZELVANO_EXE_PRUEBAS_WIN32" "$ZELVANO_AYUDANTE" "$ZELVANO_RAR_EXE" "$ZELVANO_ARCHIVO_RAR" "$ZELVANO_GENERADOR"; do
  if [ ! -f "$f" ]; then
    echo "FALLO: falta $f (compile antes con scripts/compila.sh todo${ZELVANO_WINE_AVISO:+ y win64})" >&2
    faltan=1
  fi
done
[ "$faltan" -eq 0 ] || exit 1

fallos=0
resumen=()

# Without it only the server tests fail (they say so); the others go on.
export ZELVANO_FBCLIENT_WINE="$ZELVANO_BUILD_WIN32/tools/fbclient_wine/fbclient.dll"
if ! bash "$raiz/tools/fbclient_wine/compila.sh" "$(dirname "$ZELVANO_FBCLIENT_WINE")" "$ZELVANO_WINE_BITS"; then
  resumen+=("FALLO fbclient.dll")
  fallos=1
fi

# What the shell reads from the executable: no Wine needed.
echo "--- recursos del ejecutable"
if python3 "$raiz/tests/wine/recursos.py" "$exe_entrega" "$archivo_entrega"; then
  resumen+=("BIEN  recursos")
else
  resumen+=("FALLO recursos")
  fallos=1
fi

trabajo="$(mktemp -d /tmp/zelvano-wine-XXXXXX)"
export ZELVANO_TRABAJO="$trabajo"
export WINEPREFIX="$trabajo/prefijo"
export WINEARCH=win64
export WINEDEBUG=-all
# No network: Wine must not offer to download Mono or Gecko.
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=es_ES.UTF-8
export LC_ALL=es_ES.UTF-8
unset LANGUAGE

pid_xvfb=""
termina() {
  # Only this run's prefix and display: the Wine server of the prefix ends
  # the processes started in it.
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  if [ -n "$pid_xvfb" ]; then kill "$pid_xvfb" 2>/dev/null || true; wait "$pid_xvfb" 2>/dev/null || true; fi
  rm -rf "$trabajo"
}
trap termina EXIT

# A free display: no lock file and no socket; should another program take it
# at the same moment, Xvfb ends and the next one is tried.
pantalla=""
for n in $(seq 91 199); do
  [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ] || continue
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$trabajo/xvfb.log" 2>&1 &
  pid_xvfb=$!
  for _ in $(seq 1 300); do
    if DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then pantalla=":$n"; break; fi
    kill -0 "$pid_xvfb" 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$pantalla" ] && break
  kill "$pid_xvfb" 2>/dev/null
  wait "$pid_xvfb" 2>/dev/null
  pid_xvfb=""
done
if [ -z "$pantalla" ]; then echo "FALLO: Xvfb no arrancó: $(cat "$trabajo/xvfb.log")" >&2; exit 1; fi
export DISPLAY="$pantalla"

echo "--- prefijo de Wine en $WINEPREFIX (pantalla $pantalla)"
wineboot -i >"$trabajo/wineboot.log" 2>&1
wineserver -w
# Windows 10, no crash dialog waiting for a click, and windows framed by
# Wine itself (there is no window manager on the virtual display: without
# this no caption bar would be drawn).
wine winecfg -v win10 >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
# Captions measured and pictured in fonts of Windows' metrics.
wine regedit /S "$(winepath -w "$raiz/tests/wine/fuentes.reg")" >/dev/null 2>&1
wineserver -w

# The helper lives on C: so that registry commands (the web address
# handler) can name it.
mkdir -p "$WINEPREFIX/drive_c/herramientas"
cp "$ZELVANO_AYUDANTE" "$WINEPREFIX/drive_c/herramientas/ayudante_wine.exe"

pruebas=("$@")
if [ ${#pruebas[@]} -eq 0 ]; then
  for f in "$raiz"/tests/wine/*.sh; do
    n="$(basename "$f" .sh)"
    # comun*.sh are sourced by the tests, not tests themselves.
    [[ "$n" == comun* ]] || pruebas+=("$n")
  done
fi
for n in "${pruebas[@]}"; do
  echo "--- $n"
  if bash "$raiz/tests/wine/$n.sh"; then
    resumen+=("BIEN  $n")
  else
    resumen+=("FALLO $n")
    fallos=1
  fi
  # Nothing of one test may stay running into the next.
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
done

echo "--- resumen de las pruebas bajo Wine"
aviso
printf '%s\n' "${resumen[@]}"
echo "capturas en $ZELVANO_ARTEFACTOS"
exit "$fallos"
