#!/usr/bin/env bash
# Sets up, then configures and builds into build/ (module directory: build/bin).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
. "$root/tools/locale.sh"
"$root/tools/setup.sh"
build="${TARN_BUILD_DIR:-$root/build}"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j "$(nproc)"
"$root/tools/prefix.sh" "$build/wineprefix"
# The emulated mouse: register the service in the build's prefix (machine-wide,
# as an installer would), so the configurator finds it by its class.
if [ -f "$build/bin/TarnDeviceService.dll" ]; then
  WINEPREFIX="$build/wineprefix" WINEDEBUG=-all wine regsvr32 /s "$build/bin/TarnDeviceService.dll" </dev/null >/dev/null 2>&1 ||
    { echo "build: registering the device service failed" >&2; exit 1; }
  # Let this Wine session end before anything runs with a display.
  WINEPREFIX="$build/wineprefix" wineserver -w
fi
# The manual's pictures, taken from the program itself (tools/manual-shots.sh)
# when they are missing or older than the program, its skins, its texts or
# the script. A failure leaves no stamp, so the next build tries again, and
# the manual's test says what is missing. The installer then takes them in.
# tools/test.sh takes them itself, beside the tests (TARN_SHOTS_LATER=1).
if [ "${TARN_SHOTS_LATER:-0}" != 1 ] && "$root/tools/manual-shots.sh" --stale "$build"; then
  if "$root/tools/manual-shots.sh" "$build"; then
    cmake --build "$build" --target installer
  else
    echo "build: the manual's pictures were not all taken" >&2
  fi
fi
