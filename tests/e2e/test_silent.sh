#!/usr/bin/env bash
# setup.exe /S: installs into the default folder and into /D=, with no window
# at any time, the [run and wait] program run and the [launch] one not; the
# full entry in the installed-programs list, whose QuietUninstallString, run
# as written, removes everything again. A damaged entry is rolled back (exit
# code 1); a damaged installer exits with 2 without a window or a write.
source "$(dirname "$0")/lib.sh"

fixture silent
cp "$BW_BIN/e2e-marker.exe" "$work/src/marker.exe"
# Large enough to keep the installer busy while the screen is watched; its
# random start is stored, not compressed, so the marker can be found in the
# installer and the bytes behind it damaged.
{ printf 'CORRUPTME'; head -c 65536 /dev/urandom; head -c 150000000 /dev/zero; } >"$work/src/big.bin"
build_setup "$work/src/install.inf" "$work/src" "$work/setup.exe"
rm -f "$work/src/big.bin"

key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quiet'
folders='HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders'
group="$(hostpath "$(reg_value "$folders" "Common Programs")")/Quiet"
desk_lnk="$(hostpath "$(reg_value "$folders" "Common Desktop")")/Quiet.LNK"
fresh() {
  rm -rf "$(hostpath 'C:\Program Files\Quiet App')" "$c_drive/Quiet Target" "$group" "$desk_lnk"
  wine reg delete "$key" /f >/dev/null 2>&1
}

# run_silent ARGS...: runs the installer with ARGS and watches the screen
# until it ends: any window of its own fails the test. Sets setup_rc.
run_silent() {
  (cd "$work" && exec timeout 120 wine "$work/setup.exe" "$@") >"$work/setup.log" 2>&1 &
  setup_pid=$!
  seen=""
  while kill -0 "$setup_pid" 2>/dev/null; do
    seen+=$(drive list 2>/dev/null | grep -E '^\[(TWizardForm|TMainForm|#32770)\]')
  done
  finish_setup
  [ -z "$seen" ] || fail "windows shown by /S: $seen"
}

# reg_dword KEY NAME: a REG_DWORD value in decimal.
reg_dword() {
  local hex
  hex=$(wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_DWORD *//p")
  [ -n "$hex" ] && echo $((hex))
}

# --- 1. /S alone: the wizard's default folder and choices.
fresh
run_silent /S
assert_eq "$setup_rc" 0 "exit code, /S"
app=$(hostpath 'C:\Program Files\Quiet App')
assert_eq "$(stat -c %s "$app/data/big.bin")" 150065545 "installed size"
# [run and wait] ran once; the [launch] program (no arguments) never did.
assert_eq "$(cat "$app/marker.txt")" $'/setup\r' "programs run"
assert_exists "$group/Quiet.LNK"
assert_exists "$desk_lnk"

win='C:\Program Files\Quiet App'
assert_eq "$(reg_value "$key" DisplayName)" "Quiet (remove only)" "DisplayName"
assert_eq "$(reg_value "$key" UninstallString)" "\"$win\\uninstall.exe\"" "UninstallString"
quiet=$(reg_value "$key" QuietUninstallString)
assert_eq "$quiet" "\"$win\\uninstall.exe\" /S" "QuietUninstallString"
assert_eq "$(reg_value "$key" InstallLocation)" "$win" "InstallLocation"
assert_eq "$(reg_value "$key" DisplayIcon)" "$win\\marker.exe" "DisplayIcon"
assert_eq "$(reg_value "$key" DisplayVersion)" "2.5.1" "DisplayVersion"
assert_eq "$(reg_value "$key" Publisher)" "Quiet Works Ltd" "Publisher"
kib=$(( ($(stat -c %s "$work/src/marker.exe") + 150065545 + $(stat -c %s "$BW_BIN/uninstall.exe") + 1023) / 1024 ))
assert_eq "$(reg_dword "$key" EstimatedSize)" "$kib" "EstimatedSize"
assert_eq "$(reg_dword "$key" NoModify)" 1 "NoModify"
assert_eq "$(reg_dword "$key" NoRepair)" 1 "NoRepair"

# The quiet uninstall command, started as the list of installed programs
# starts it, removes everything (but for the marker's own output, which no
# installation owns).
rm "$app/marker.txt"
rc=$(drive run "$quiet" 60000) || fail "running $quiet"
assert_eq "$rc" 0 "exit code of QuietUninstallString"
for _ in $(seq 40); do [ -e "$app" ] || break; sleep 0.5; done
assert_absent "$app"
assert_absent "$group"
assert_absent "$desk_lnk"
if wine reg query "$key" >/dev/null 2>&1; then fail "registration still there"; fi

# --- 2. /D= with blanks, unquoted (the rest of the line), and a log.
fresh
run_silent /S "/LOG=$(winpath "$work/run log.txt")" '/D=C:\Quiet' 'Target\Sub'
assert_eq "$setup_rc" 0 "exit code, /D="
target="$c_drive/Quiet Target/Sub"
assert_exists "$target/data/big.bin"
assert_eq "$(reg_value "$key" InstallLocation)" 'C:\Quiet Target\Sub' "InstallLocation, /D="
log=$(tr -d '\r' <"$work/run log.txt")
for line in "Mode: silent" 'Installing into: C:\Quiet Target\Sub' 'File: C:\Quiet Target\Sub\data\big.bin' \
            "Program run: \"C:\\Quiet Target\\Sub\\marker.exe\" /setup (exit code 0)" "Exit code: 0"; do
  grep -qxF "$line" <<<"$log" || fail "log lacks '$line': $log"
done
rm "$target/marker.txt"
rc=$(drive run "$(reg_value "$key" QuietUninstallString)" 60000) || fail "uninstall, /D="
assert_eq "$rc" 0 "exit code of QuietUninstallString, /D="

# --- 3. A damaged entry: rolled back, exit code 1.
fresh
cp "$work/setup.exe" "$work/badentry.exe"
at=$(grep -obUa CORRUPTME "$work/badentry.exe" | head -1 | cut -d: -f1)
[ -n "$at" ] || fail "marker not found in the package"
printf '\x00\x11\x22\x33\x44\x55\x66\x77' |
  dd of="$work/badentry.exe" bs=1 seek=$((at + 1000)) conv=notrunc status=none
(cd "$work" && exec timeout 120 wine "$work/badentry.exe" /S) >"$work/setup.log" 2>&1 &
setup_pid=$!
finish_setup
assert_eq "$setup_rc" 1 "exit code, damaged entry"
assert_absent "$(hostpath 'C:\Program Files\Quiet App')"
assert_absent "$group"
if wine reg query "$key" >/dev/null 2>&1; then fail "registration after a rollback"; fi

# --- 4. A damaged installer: exit code 2 at once, no window, nothing written.
size=$(stat -c %s "$work/setup.exe")
head -c $((size - 1000)) "$work/setup.exe" >"$work/short.exe"
cp "$work/short.exe" "$work/setup.exe"
run_silent /S "/LOG=$(winpath "$work/damaged.log")"
assert_eq "$setup_rc" 2 "exit code, damaged installer"
grep -q "^Error: The installer is damaged or incomplete" "$work/damaged.log" || fail "damage not logged"
assert_absent "$(hostpath 'C:\Program Files\Quiet App')"

# --- 5. A bad command line, and a folder on no drive: exit codes 5 and 4, no window.
run_silent /S /X
assert_eq "$setup_rc" 5 "exit code, unknown switch"
cp "$work/badentry.exe" "$work/setup.exe"
run_silent /S '/D=Q:\Quiet'
assert_eq "$setup_rc" 4 "exit code, folder on no drive"
echo "silent: ok"
