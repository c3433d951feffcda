#!/usr/bin/env bash
# Installers that must not start: one whose package lacks an entry that its
# script names (exit 2, nothing written), and a second instance of a product
# whose installation is already running (exit 6, the first goes on).
source "$(dirname "$0")/lib.sh"

mkdir -p "$work/src"
printf '[title]\r\nRefuser\r\n\r\n[defaultdir]\r\nRefuser\r\n\r\n[files]\r\nrenamed-entry.txt;a.txt\r\n\r\n[program group]\r\nRefuser\r\n\r\n[group icons]\r\nA;a.txt\r\n' \
  >"$work/src/install.inf"
echo "text" >"$work/src/renamed-entry.txt"
build_setup "$work/src/install.inf" "$work/src" "$work/setup.exe"

# The entry's name in its header, with one letter changed.
LC_ALL=C perl -0777 -pe 's/renamed-entry\.txt/renamed-entrx.txt/' "$work/setup.exe" >"$work/renamed.exe"
cmp -s "$work/setup.exe" "$work/renamed.exe" && fail "entry name not found in the package"
rm -rf "$c_drive/Program Files/Refuser"
start_setup "$work/renamed.exe"
drive <<'EOF_' || fail "renamed entry: a window besides the message"
wait-window "@#32770=Setup Error" 20000
wait-gone @TWizardForm 100
EOF_
shot refused-renamed
text=$(drive answer "Setup Error" OK 20000) || fail "renamed entry: no message"
assert_eq "$text" 'The installer is damaged or incomplete: its package lacks the entry "renamed-entry.txt".' "message"
finish_setup
assert_eq "$setup_rc" 2 "renamed entry: exit code"
assert_absent "$c_drive/Program Files/Refuser"

# Two at once: the second says why and leaves.
start_setup "$work/setup.exe"
first_pid=$setup_pid
drive wait-window @TWizardForm=Refuser || fail "first instance"
start_setup "$work/setup.exe"
drive wait-window "@#32770=Refuser" 20000 || fail "second instance: no message"
shot refused-second
text=$(drive answer Refuser OK) || fail "second instance: message"
assert_eq "$text" 'An installation of Refuser is already running.\r\rPlease wait until it has finished, then try again.' "message"
finish_setup
assert_eq "$setup_rc" 6 "second instance: exit code"

setup_pid=$first_pid
drive <<'EOF_' || fail "first instance goes on"
expect @TWizardForm WizardPages page 0
click @TWizardForm btnCancel
EOF_
drive answer "Cancel Installation" "&Yes" >/dev/null || fail "close question"
finish_setup
assert_eq "$setup_rc" 3 "first instance: exit code (cancelled)"
assert_absent "$c_drive/Program Files/Refuser"
echo "refused: ok"
