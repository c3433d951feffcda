#!/usr/bin/env bash
# Print on the licence page without a printer (Wine has none) and Yes to the
# Add Printer question: the wizard is started from the system folder. A
# Rundll32.exe beside setup.exe, or in the folder it was started from, never
# runs (each is a marker program that would leave marker.txt).
source "$(dirname "$0")/lib.sh"

fixture walk
side_image "$work/src"
mkdir -p "$work/downloads"
build_setup "$work/src/install.inf" "$work/src" "$work/downloads/setup.exe"
cp "$BW_BIN/e2e-marker.exe" "$work/downloads/Rundll32.exe"
cp "$BW_BIN/e2e-marker.exe" "$work/Rundll32.exe"
start_setup "$work/downloads/setup.exe"

drive <<'EOF_' || fail "to page 1"
wait-window @TWizardForm=Walker
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 1
click @TWizardForm btnPrint
EOF_
text=$(drive answer "No Printer" "&Yes") || fail "printer question"
assert_eq "$text" "No printer is currently selected. Would you like to launch the Windows Add Printer Wizard?" "printer question"
sleep 3
assert_absent "$work/downloads/marker.txt"
assert_absent "$work/marker.txt"

drive <<'EOF_' || fail "leaving"
expect @TWizardForm WizardPages page 1
click @TWizardForm btnPrevious
EOF_
drive answer "Cancel Installation" "&Yes" >/dev/null || fail "cancel question"
finish_setup
assert_eq "$setup_rc" 3 "exit code (cancelled)"
assert_absent "$work/downloads/marker.txt"
assert_absent "$work/marker.txt"
echo "printer: ok"
