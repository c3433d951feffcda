#!/usr/bin/env bash
# Browse: the chooser opens on the wizard's location; a new folder two
# levels deep typed into it is created on OK and becomes the location. A
# blank path is refused; Cancel changes nothing; a drive that cannot be
# queried shows the maroon warning and Next refuses to start.
source "$(dirname "$0")/lib.sh"

fixture plain
build_setup "$work/src/install.inf" "$work/src" "$work/setup.exe"
rm -rf "$c_drive/e2e-browse"
mkdir -p "$c_drive/e2e-browse"
start_setup "$work/setup.exe"
C=@TDirectorySelect="Select Install Directory"

drive <<'EOF_' || fail "chooser"
wait-window @TWizardForm=product
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 2
click @TWizardForm btnBrowse
wait-window "@TDirectorySelect=Select Install Directory"
expect "@TDirectorySelect=Select Install Directory" edtPath text 'C:\Program Files\'
expect "@TDirectorySelect=Select Install Directory" btnOK text "&OK"
expect "@TDirectorySelect=Select Install Directory" btnCancel text "&Cancel"
expect @TWizardForm . enabled 0
set-text "@TDirectorySelect=Select Install Directory" edtPath "   "
click "@TDirectorySelect=Select Install Directory" btnOK
EOF_
shot browse-chooser
text=$(drive answer "No Directory Selected" OK) || fail "no-directory message"
assert_eq "$text" "You have not specified a directory. Please specify a directory, or press Cancel." "no-directory message"

drive <<'EOF_' || fail "new folder"
wait-window "@TDirectorySelect=Select Install Directory"
set-text "@TDirectorySelect=Select Install Directory" edtPath '  C:\e2e-browse\Level1\Level2'
click "@TDirectorySelect=Select Install Directory" btnOK
wait-gone "@TDirectorySelect=Select Install Directory"
expect @TWizardForm edtLocation text 'C:\e2e-browse\Level1\Level2'
expect @TWizardForm . enabled 1
expect @TWizardForm lblInsufficientDiskSpace visible 0
EOF_
assert_exists "$c_drive/e2e-browse/Level1/Level2"

# The list shows the chain from the root; a double click or Enter opens an
# item, which replaces the typed path. Cancel then leaves the location as
# it was.
drive <<'EOF_' || fail "list and cancel"
click @TWizardForm btnBrowse
wait-window "@TDirectorySelect=Select Install Directory"
expect "@TDirectorySelect=Select Install Directory" edtPath text 'C:\e2e-browse\Level1\Level2'
expect "@TDirectorySelect=Select Install Directory" DirectoryListBox items 'c:\|   e2e-browse|      Level1|         Level2'
expect "@TDirectorySelect=Select Install Directory" DirectoryListBox selected 3
expect-has "@TDirectorySelect=Select Install Directory" DriveComboBox text 'c:'
item-click "@TDirectorySelect=Select Install Directory" DirectoryListBox 1 double
wait-for "@TDirectorySelect=Select Install Directory" edtPath text 'C:\e2e-browse'
expect "@TDirectorySelect=Select Install Directory" DirectoryListBox items 'c:\|   e2e-browse|      Level1'
item-click "@TDirectorySelect=Select Install Directory" DirectoryListBox 2
wait-for "@TDirectorySelect=Select Install Directory" DirectoryListBox selected 2
key "@TDirectorySelect=Select Install Directory" return
wait-for "@TDirectorySelect=Select Install Directory" edtPath text 'C:\e2e-browse\Level1'
expect "@TDirectorySelect=Select Install Directory" . enabled 1
set-text "@TDirectorySelect=Select Install Directory" edtPath 'C:\e2e-browse\Other'
click "@TDirectorySelect=Select Install Directory" btnCancel
wait-gone "@TDirectorySelect=Select Install Directory"
expect @TWizardForm edtLocation text 'C:\e2e-browse\Level1\Level2'
EOF_
assert_absent "$c_drive/e2e-browse/Other"

# A drive root that does not exist is accepted as typed; its free space
# cannot be read, so the warning shows and Next refuses.
drive <<'EOF_' || fail "missing drive"
click @TWizardForm btnBrowse
wait-window "@TDirectorySelect=Select Install Directory"
set-text "@TDirectorySelect=Select Install Directory" edtPath 'Q:\'
click "@TDirectorySelect=Select Install Directory" btnOK
wait-gone "@TDirectorySelect=Select Install Directory"
expect @TWizardForm edtLocation text 'Q:\'
expect @TWizardForm lblSpaceAvailable text "0 kb"
expect @TWizardForm lblInsufficientDiskSpace visible 1
EOF_
shot browse-insufficient
drive click @TWizardForm btnNext || fail "next"
text=$(drive answer "Insufficient Disk Space" OK) || fail "insufficient-space message"
assert_eq "$text" "There is insufficient disk space free on the selected drive to install product.\r\rPlease select a different drive, or cancel the installation, free up disk space, and restart this installation program." "insufficient-space message"
drive <<'EOF_' || fail "after the message"
expect @TWizardForm WizardPages page 2
expect @TWizardForm btnNext visible 1
click @TWizardForm btnCancel
EOF_
drive answer "Cancel Installation" "&Yes" >/dev/null || fail "close question"
finish_setup
assert_eq "$setup_rc" 3 "exit code (cancelled)"
echo "browse: ok"
