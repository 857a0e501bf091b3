#!/usr/bin/env bash
# Runs a Windows program of the build under Wine, in the build's own prefix
# (never the user's ~/.wine). Used by ctest as the cross-compiling emulator.
set -e
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
export WINEPREFIX="${WINEPREFIX:-$here/../build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec wine "$@"
