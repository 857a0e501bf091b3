#!/usr/bin/env bash
# Creates (once) the build's own Wine prefix: a 64-bit prefix with a virtual
# desktop, so that windowed tests get fast modal loops and process starts.
# Usage: tools/prefix.sh PREFIX_DIR
set -euo pipefail
prefix="$(realpath -m "${1:?prefix directory}")"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
stamp="$prefix/.tarn-prefix-v1"
if [ ! -f "$stamp" ]; then
  echo "prefix: creating $prefix"
  mkdir -p "$prefix"
  # wineboot wants no display; the desktop is configured in the registry.
  DISPLAY= wineboot -i >/dev/null 2>&1 || true
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
  wineserver -w
  touch "$stamp"
fi
# The skins ask for "Arial". A bare machine has no Arial, and Wine would draw
# a wider face and cut texts off; Liberation Sans has Arial's metrics, so
# every text takes the room it takes on Windows.
fonts_stamp="$prefix/.tarn-fonts-v1"
if [ ! -f "$fonts_stamp" ]; then
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /d "Liberation Sans" /f >/dev/null 2>&1
  wineserver -w
  touch "$fonts_stamp"
fi
