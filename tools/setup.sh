#!/usr/bin/env bash
# Installs whatever the build, the program and the tests need and is missing.
# Debian packages only; safe to run again.
set -euo pipefail

packages=(g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 wine xvfb xauth
          googletest cmake make xdotool x11-utils imagemagick librsvg2-bin
          fonts-liberation fonts-wqy-microhei nsis)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
