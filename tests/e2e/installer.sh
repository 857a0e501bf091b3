#!/usr/bin/env bash
# The installer on a machine that has never seen the program: a fresh Wine
# prefix of its own. A refused language switch installs nothing; a silent
# install lays out the module directory, the registry values, the shortcut
# and the device service, and the installed program starts and finds the
# mouse; a reinstall over a running program is refused; a reinstall over an
# older installation replaces it and keeps the language and the user's
# profiles; the uninstaller removes everything of ours but the user's
# profiles and the mouse's state, and a second uninstall says there is
# nothing to remove. The tray companion: the Run key starts it at log-on, a
# second copy ends at once, and the reinstall and the uninstaller close it
# before they touch a file.
#
# Usage: installer.sh SETUP_EXE PROBE MODULE_DIR
set -u
setup="$1"
probe="$2"
bin="$3"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cls=SINGLE_INSTANCE_APP_TARN
. "$(dirname "${BASH_SOURCE[0]}")/check.sh"

work="$(mktemp -d)"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all
# No desktop menu entries in the user's home for the shortcut.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset TARN_DEVICE_STATE TARN_DEVICE_SCENARIO TARN_DEVICE_FAULT TARN_COMPANION
companion=TarnTrayCompanion
run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
# The probe's own exit status (p's is that of the pipe's last command).
probe_ok() { wine "$probe" "$@" </dev/null >/dev/null 2>&1; }
companion_gone() { ! probe_ok exists "$companion" 100; }
cleanup() {
  wineserver -k 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

t0=$(date +%s)
"$root/tools/prefix.sh" "$WINEPREFIX" >/dev/null
echo "fresh prefix ready in $(($(date +%s) - t0)) s"

inst="$WINEPREFIX/drive_c/Program Files/Korvo/Tarn"
shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Korvo Tarn Configurator.lnk"
settings='HKLM\Software\Korvo\Tarn'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KorvoTarn'

run() {  # run NAME EXE ARGS...: output to $work/NAME.out, exit code to $work/NAME.rc
  local name="$1"; shift
  wine "$@" >"$work/$name.out" 2>&1 </dev/null
  echo $? >"$work/$name.rc"
}
rc() { tr -d '\r\n' <"$work/$1.rc"; }
codes() { local n; for n in "$work"/*.rc; do printf '%s=%s ' "$(basename "$n" .rc)" "$(rc "$(basename "$n" .rc)")"; done; }
# Where the emulated mouse keeps its state by default: the user's local
# application data.
state_file() { ls "$WINEPREFIX"/drive_c/users/*/AppData/Local/Korvo/Tarn/mouse-state.txt 2>/dev/null | head -1; }
reg_value() {  # reg_value KEY NAME: the value's data, or nothing
  wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v n="$2" '$1 == n { sub(/^ *[^ ]+ +REG_[A-Z_]+ +/, ""); print }'
}
shipped_files() { (cd "$bin" && find . -type f ! -path './save/*' | sort); }
installed_files() { (cd "$inst" && find . -type f ! -path './save/*' ! -name Uninstall.exe | sort); }
same_bytes() {  # every shipped file installed unchanged
  local f
  while read -r f; do cmp -s "$bin/$f" "$inst/$f" || return 1; done < <(shipped_files)
}
# The program starts from the installation, reads the mouse and stays
# (without a mouse it would say so and end).
program_finds_mouse() {
  wine "$inst/TarnConfig.exe" >/dev/null 2>&1 &
  app=$!
  p wait "$cls" 20000 >/dev/null || return 1
  sleep 2
  [ "$(p count "$cls")" = 1 ] && [ "$(p foreground)" = "$cls" ]
}

# --- a bad switch installs nothing -------------------------------------------
run badlang "$setup" /S /LANG=Klingon
check "an unknown /LANG= is refused (exit 2)" test "$(rc badlang)" = 2
check "the refused install left no folder" test ! -e "$inst"
check "the refused install wrote no settings" test -z "$(reg_value "$settings" Language)"

# --- first install -------------------------------------------------------------
run install1 "$setup" /S /LANG=german
check "silent install succeeds" test "$(rc install1)" = 0
check "every file of the module directory is installed" diff <(shipped_files) <(installed_files)
check "the installed files are the built ones" same_bytes
check "the uninstaller is installed" test -f "$inst/Uninstall.exe"
check "no save folder is shipped" test ! -e "$inst/save"
check "Language is the chosen one, spelt as the program lists it" test "$(reg_value "$settings" Language)" = German
check "InstallDir names the installation" test "$(reg_value "$settings" InstallDir)" = 'C:\Program Files\Korvo\Tarn'
check "the Start-menu shortcut exists" test -s "$shortcut"
check "Add/Remove Programs lists the product" test "$(reg_value "$uninstall_key" DisplayName)" = "Korvo Tarn Configurator"
check "Add/Remove Programs has the uninstaller" \
  test "$(reg_value "$uninstall_key" UninstallString)" = '"C:\Program Files\Korvo\Tarn\Uninstall.exe"'
check "Add/Remove Programs has the version" test -n "$(reg_value "$uninstall_key" DisplayVersion)"
run info1 "$inst/tarnctl.exe" info
check "the installed tarnctl finds the registered device service" test "$(rc info1)" = 0
check "... and the emulated mouse" grep -q "devices found: 1" "$work/info1.out"
check "the installed program starts and reads the mouse" program_finds_mouse
check "the Run key starts the companion at log-on" \
  test "$(reg_value "$run_key" KorvoTarnCompanion)" = '"C:\Program Files\Korvo\Tarn\TarnTray.exe"'
check "the program started the companion" probe_ok exists "$companion" 10000
t1=$(date +%s%N)
run second "$inst/TarnTray.exe"
check "a second companion ends at once" test "$(rc second)" = 0 -a $((($(date +%s%N) - t1) / 1000000)) -lt 3000
p key 27 >/dev/null  # the first copy showed its menu

# --- reinstall while the program runs: refused, nothing touched ---------------
touch -d '2000-01-01' "$inst/TarnConfig.exe"
run running "$setup" /S
check "installing over the running program is refused (exit 3)" test "$(rc running)" = 3
check "the refused reinstall touched no file" test "$(stat -c %Y "$inst/TarnConfig.exe")" = "$(date -d 2000-01-01 +%s)"
check "the program closes" p close "$cls" 10000
wait_program

# --- reinstall over an older installation --------------------------------------
# As an older build would have left it: a skin file this build no longer
# ships and its version; and the user's own profile in save\.
echo '<ITEMLIST/>' >"$inst/xml/Retired.xml"
wine reg add "$uninstall_key" /v DisplayVersion /d 0.9.0 /f >/dev/null 2>&1
mkdir -p "$inst/save"
printf '[PROPERTIES]\r\nname=Mine\r\n' >"$inst/save/Mine.vxp"
check "the companion still runs" probe_ok exists "$companion" 100
run install2 "$setup" /S
check "installing again succeeds" test "$(rc install2)" = 0
check "the reinstall closed the companion" companion_gone
check "the reinstall keeps the companion in the Run key" test -n "$(reg_value "$run_key" KorvoTarnCompanion)"
check "the older build's stale file is gone" test ! -e "$inst/xml/Retired.xml"
check "the files are this build's again" diff <(shipped_files) <(installed_files)
check "the reinstall brought the program back" same_bytes
check "the reinstall keeps the language chosen before" test "$(reg_value "$settings" Language)" = German
check "the version is this build's" test "$(reg_value "$uninstall_key" DisplayVersion)" != 0.9.0
check "the user's profile survives the reinstall" test -s "$inst/save/Mine.vxp"
run info2 "$inst/tarnctl.exe" info
check "the service works after the reinstall" test "$(rc info2)" = 0
# Another language: the registry value follows /LANG= (any of the nine names).
run install3 "$setup" /S /LANG=Japanese
check "a reinstall in Japanese succeeds" test "$(rc install3)" = 0
check "Language is Japanese afterwards" test "$(reg_value "$settings" Language)" = Japanese
check "the Japanese texts and the CJK face are installed" test -s "$inst/lang/Japanese.txt" -a -s "$inst/fonts/wqy-microhei.ttc"

# --- uninstall ---------------------------------------------------------------------
cp "$inst/Uninstall.exe" "$work/Uninstall-copy.exe"
state="$(state_file)"
check "the mouse has its state file" test -n "$state"
wine "$inst/TarnTray.exe" </dev/null >/dev/null 2>&1 &
check "the companion runs before the uninstall" probe_ok exists "$companion" 10000
run uninstall1 "$inst/Uninstall.exe" /S
# The uninstaller goes on from a copy of itself in the temporary folder.
wineserver -w
check "the uninstaller closed the companion" companion_gone
check "silent uninstall succeeds" test "$(rc uninstall1)" = 0
check "only the user's profile is left in the folder" \
  test "$(cd "$inst" && find . -mindepth 1 | sort | tr '\n' ' ')" = "./save ./save/Mine.vxp "
check "the shortcut is gone" test ! -e "$shortcut"
check "the mouse's state is kept" test -s "$state"
# Every value of ours lived in HKLM (system.reg, written when the session ended).
check "no registry key or value of ours is left" bash -c "! grep -n -i -e korvo -e TarnDeviceService '$WINEPREFIX/system.reg'"
run info3 "$bin/tarnctl.exe" info
check "the device service is no longer registered (no mouse)" test "$(rc info3)" = 2

# --- uninstall a second time -------------------------------------------------------
# A copy of the uninstaller kept from before, run in place (_?=, which takes
# a path without spaces) in a folder that looks like an installation: it must
# say there is nothing to remove and touch nothing, there or anywhere.
stray="$WINEPREFIX/drive_c/TarnCopy"
mkdir -p "$stray/xml"
cp "$work/Uninstall-copy.exe" "$stray/Uninstall.exe"
touch "$stray/TarnConfig.exe" "$stray/xml/Keep.xml"
run uninstall2 "$stray/Uninstall.exe" /S '_?=C:\TarnCopy'
check "a second uninstall says there is nothing to remove (exit 2)" test "$(rc uninstall2)" = 2
check "... removes nothing where it runs" test -e "$stray/TarnConfig.exe" -a -e "$stray/xml/Keep.xml"
check "... and leaves the user's profile alone" test -s "$inst/save/Mine.vxp"

echo "exit codes: $(codes)"
echo "installer test took $(($(date +%s) - t0)) s"
summary
