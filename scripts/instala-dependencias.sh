#!/usr/bin/env bash
# Installs, from Debian's packages only, everything the builds, the tests and
# the demo need. Idempotent: packages already present are left alone.
set -euo pipefail

paquetes=(
  build-essential cmake git pkg-config python3 libgtest-dev
  firebird3.0-server firebird-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  # The 64-bit test build, for the Wine tests on a kernel that runs no
  # 32-bit programs (scripts/wine-nucleo.sh).
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  wine wine32:i386 wine64 xvfb xdotool x11-utils imagemagick
  # The Wine tests' stand-in fbclient.dll: a Winelib library that hands
  # every call to Debian's client library of the same width.
  gcc-multilib libfbclient2:i386 libfbclient2
  # Fonts with the metrics of the Windows faces the screens use (Arial,
  # Times New Roman, Courier New; Wine's own Tahoma): captions are measured
  # under Wine as Windows lays them out.
  fonts-liberation2 fonts-wine
  locales libarchive-tools unar xz-utils gzip
  clang-14 libclang-rt-14-dev
)

# winegcc itself: the i386 build of the tools where the kernel runs 32-bit
# programs; elsewhere the amd64 one (the two packages exclude each other).
if [ "$(bash "$(dirname "$0")/wine-nucleo.sh" | sed -n 's/^ZELVANO_WINE_BITS=//p')" = 64 ]; then
  paquetes+=(wine64-tools libwine-dev)
else
  paquetes+=(wine32-tools:i386)
fi

faltan=()
for p in "${paquetes[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    faltan+=("$p")
  fi
done

if [ "$(id -u)" -ne 0 ] && [ ${#faltan[@]} -gt 0 ]; then
  echo "Faltan paquetes (${faltan[*]}); ejecute este script como root." >&2
  exit 1
fi

if [ ${#faltan[@]} -gt 0 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  # The server must not prompt for its SYSDBA password while installing.
  echo "firebird3.0-server shared/firebird/enabled boolean true" | debconf-set-selections || true
  apt-get update
  apt-get install -y --no-install-recommends "${faltan[@]}"
fi

# Spanish locale: decimal comma and point for thousands, as the users have;
# the English one lets the tests check that the separators follow the locale.
for loc in es_ES en_US; do
  if ! locale -a 2>/dev/null | grep -qi "^${loc}\.utf8$"; then
    if [ "$(id -u)" -eq 0 ]; then
      sed -i "s/^# *${loc}.UTF-8 UTF-8/${loc}.UTF-8 UTF-8/" /etc/locale.gen
      grep -q "^${loc}.UTF-8 UTF-8" /etc/locale.gen || echo "${loc}.UTF-8 UTF-8" >> /etc/locale.gen
      locale-gen
    fi
  fi
done
echo "Dependencias instaladas."
