#!/usr/bin/env bash
# The background window's close box asks before it ends the program: No
# leaves everything as it was, Yes ends it with nothing written.
source "$(dirname "$0")/lib.sh"

fixture walk
side_image "$work/src"
build_setup "$work/src/install.inf" "$work/src" "$work/setup.exe"
start_setup "$work/setup.exe"

drive wait-window @TWizardForm=Walker || fail "wizard"
shot close-background
drive close @TMainForm || fail "close box"
text=$(drive answer "Cancel Installation" "&No") || fail "close question"
assert_eq "$text" "Closing this program will cancel the installation. Are you sure you wish to cancel installing Walker?" "close question"
drive <<'EOF_' || fail "windows after No"
wait-window @TMainForm=Walker
expect @TWizardForm WizardPages page 0
close @TMainForm
EOF_
drive answer "Cancel Installation" "&Yes" >/dev/null || fail "close question, Yes"
finish_setup
assert_eq "$setup_rc" 3 "exit code (cancelled)"
assert_absent "$c_drive/Program Files/Walker"
echo "close: ok"
