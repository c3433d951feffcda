#!/usr/bin/env bash
# Cancel answered Yes while a large file is being unpacked: the rollback
# removes every file, the log and the folder the run created, while the
# parent that existed before stays.
source "$(dirname "$0")/lib.sh"

fixture cancel
head -c 500000000 /dev/zero >"$work/src/big.bin"
build_setup "$work/src/install.inf" "$work/src" "$work/setup.exe"
rm -f "$work/src/big.bin"
parent=$(hostpath 'C:\Program Files\Canceller Parent')
rm -rf "$parent" && mkdir -p "$parent"

start_setup "$work/setup.exe"
drive <<'EOF_' || fail "to the big file"
wait-window @TWizardForm=Canceller
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 2
click @TWizardForm btnNext
wait-for @TWizardForm lblInstallingFile text 'Extracting big\big.bin...' 30000
# The bar's range is set by the first progress step: unpacking has begun.
wait-for @TWizardForm prgFile range 0..500000000 30000
click @TWizardForm btnCancel
wait-window "@#32770=Cancel Installation"
EOF_
shot cancel-question
text=$(drive answer "Cancel Installation" "&Yes") || fail "abort question"
assert_eq "$text" "The installation is currently in progress. Cancelling now will abort the installation.\r\rAre you sure you wish to abort the installation of Canceller?" "abort question"
finish_setup
assert_eq "$setup_rc" 3 "exit code (cancelled)"

assert_exists "$parent"
assert_absent "$parent/App"
[ -z "$(ls -A "$parent")" ] || fail "left behind: $(ls -A "$parent")"
echo "cancel: ok"
