#!/usr/bin/env bash
# A package whose second entry is damaged: the error message names the file,
# the rollback removes what was installed, and the program ends on its own.
source "$(dirname "$0")/lib.sh"

fixture corrupt
# Random bytes are stored, not compressed, so the marker can be found in
# the installer and the bytes behind it damaged.
{ printf 'CORRUPTME'; head -c 65536 /dev/urandom; } >"$work/src/noise.bin"
build_setup "$work/src/install.inf" "$work/src" "$work/setup.exe"
at=$(grep -obUa CORRUPTME "$work/setup.exe" | head -1 | cut -d: -f1)
[ -n "$at" ] || fail "marker not found in the package"
printf '\x00\x11\x22\x33\x44\x55\x66\x77' |
  dd of="$work/setup.exe" bs=1 seek=$((at + 1000)) conv=notrunc status=none
app='C:\Program Files\Corrupt App'
rm -rf "$(hostpath "$app")"

start_setup "$work/setup.exe"
drive <<'EOF_' || fail "to the error"
wait-window @TWizardForm=Corrupter
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 2
click @TWizardForm btnNext
wait-window @#32770=Error 30000
EOF_
shot corrupt-error
text=$(drive answer Error OK) || fail "error message"
assert_eq "$text" "An error occurred while installing the file: \"$app\\data\\noise.bin\".\r\rThe installation cannot proceed." "error message"
finish_setup
assert_eq "$setup_rc" 1 "exit code (a failed installation)"
assert_absent "$(hostpath "$app")"
echo "corrupt: ok"
