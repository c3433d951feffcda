#!/usr/bin/env bash
# A script with only [files] and [group icons]: no licence page (0 -> 2 -> 0),
# no side image (the text panels take the whole width), the layout's
# "<< &Previous " caption, Escape and the wizard's close box asking first.
source "$(dirname "$0")/lib.sh"

fixture plain
build_setup "$work/src/install.inf" "$work/src" "$work/setup.exe"
start_setup "$work/setup.exe"

drive <<'EOF_' || fail "page 0"
wait-window @TWizardForm=product
wait-window @TMainForm=product
expect-has @TWizardForm lblInfo text 'Welcome to product setup!\r\r'
expect @TWizardForm pnlImgInfo visible 0
expect @TWizardForm btnPrevious visible 0
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 2
expect @TWizardForm btnPrevious text "<< &Previous "
expect @TWizardForm btnNext text "&Next >>"
expect @TWizardForm btnPrint visible 0
expect @TWizardForm pnlImgLocation visible 0
expect @TWizardForm edtLocation text 'C:\Program Files\'
EOF_
shot nolicence-page2

drive <<'EOF_' || fail "back to page 0"
click @TWizardForm btnPrevious
wait-for @TWizardForm WizardPages page 0
expect @TWizardForm btnPrevious visible 0
expect @TWizardForm btnNext text "&Next >>"
EOF_
shot nolicence-page0

# Escape is the Cancel button: the close question, answered No.
drive key @TWizardForm escape || fail "escape"
text=$(drive answer "Cancel Installation" "&No") || fail "close question after Escape"
assert_eq "$text" "Closing this program will cancel the installation. Are you sure you wish to cancel installing product?" "close question"
drive expect @TWizardForm WizardPages page 0 || fail "wizard closed after No"

# The close box asks the same; Yes ends the program.
drive close @TWizardForm || fail "close box"
drive answer "Cancel Installation" "&Yes" >/dev/null || fail "close question"
finish_setup
assert_eq "$setup_rc" 3 "exit code (cancelled)"
echo "nolicence: ok"
