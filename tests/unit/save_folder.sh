#!/usr/bin/env bash
# Runs the save-folder suite with module directories that cannot be written:
# a folder beside whose program an older version saved a profile, and one
# without a save folder. A Windows program cannot make such folders for
# itself here, so they are made on the Unix side. Root writes anywhere, so
# for root they are also made immutable; where that is not possible the
# test is skipped (exit 77) rather than run against writable folders.
# Usage: save_folder.sh UNIT_TESTS_EXE
set -u
exe="$1"
work="$(mktemp -d)"
cleanup() {
  chattr -R -i "$work" 2>/dev/null
  chmod -R u+w "$work"
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/with-save/save" "$work/without-save"
printf '[PROPERTIES]\r\nname=Older\r\nexe=\r\nauto=0\r\n[ASSIGNMENTS]\r\n1=0\r\n' >"$work/with-save/save/Older.vxp"
printf '[SETTINGS]\r\nActiveProfileName=Older\r\n' >"$work/with-save/save/Vell.vxc"
chmod -R a-w "$work/with-save" "$work/without-save"
if [ "$(id -u)" -eq 0 ]; then
  chattr -R +i "$work/with-save" "$work/without-save" 2>/dev/null
fi
if touch "$work/with-save/save/probe" 2>/dev/null || touch "$work/without-save/probe" 2>/dev/null; then
  echo "save_folder: cannot make a folder read-only here (root on a file system without chattr); skipped"
  exit 77
fi
export TARN_READONLY_MODULE_DIRS="Z:${work//\//\\}"
wine "$exe" --gtest_filter='SaveFolder*' --gtest_brief=1 </dev/null
