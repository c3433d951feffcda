#!/usr/bin/env bash
# Declining the licence asks first; No keeps page 1 as it was, Yes ends the
# program without a further question and without writing anything.
source "$(dirname "$0")/lib.sh"

fixture walk
side_image "$work/src"
build_setup "$work/src/install.inf" "$work/src" "$work/setup.exe"
start_setup "$work/setup.exe"

drive <<'EOF_' || fail "to page 1"
wait-window @TWizardForm=Walker
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 1
click @TWizardForm "&No"
EOF_
text=$(drive answer "Cancel Installation" "&No") || fail "licence question"
assert_eq "$text" "If you do not agree to the license and disclaimer, you may not install Walker.\r\rAre you sure you wish to cancel installing Walker?" "licence question"
drive <<'EOF_' || fail "page 1 after No"
expect @TWizardForm WizardPages page 1
expect @TWizardForm btnNext text "&Yes"
expect @TWizardForm btnPrevious text "&No"
expect @TWizardForm btnPrint visible 1
click @TWizardForm btnPrevious
EOF_
drive answer "Cancel Installation" "&Yes" >/dev/null || fail "licence question, Yes"
finish_setup
assert_eq "$setup_rc" 3 "exit code (cancelled)"
assert_absent "$c_drive/Program Files/Walker"
echo "decline: ok"
