#!/usr/bin/env bash
# Pages 0 -> 1 -> 2 -> 1 -> 2 with a licence: buttons, captions and texts on
# each page, a screenshot of each, then Cancel and Yes end the program
# without writing anything.
source "$(dirname "$0")/lib.sh"

fixture walk
side_image "$work/src"
build_setup "$work/src/install.inf" "$work/src" "$work/setup.exe"
# A Walker that an earlier test left installed would change the welcome text.
wine reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Walker' /f >/dev/null 2>&1
rm -rf "$c_drive/Program Files/Walker"
start_setup "$work/setup.exe"
W=@TWizardForm

drive <<'EOF_' || fail "page 0"
wait-window @TWizardForm
wait-window @TMainForm=Walker
expect @TWizardForm WizardPages page 0
expect @TWizardForm lblInfo text 'Welcome to Walker setup!\r\rThis program will install Walker on your computer.\r\rWe recommend that you close down all other running programs before proceeding with this installation.\r\rTo proceed, press the "Next" button.'
expect @TWizardForm btnNext text "&Next >>"
expect @TWizardForm btnPrevious visible 0
expect @TWizardForm btnPrint visible 0
expect @TWizardForm btnFinish visible 0
expect @TWizardForm btnCancel text "&Cancel"
expect @TWizardForm imgInfo visible 1
EOF_
shot walk-page0
# The maximised background covers the whole screen, as on Windows: the
# prefix's virtual desktop (lib.sh) gives it a window manager to ask.
read -r screen_w screen_h < <(identify -format '%w %h\n' "$BW_SHOTS/walk-page0.png")
read -r bg_x bg_y bg_w bg_h < <(drive rect @TMainForm=Walker | tr -d '\r')
((bg_x <= 0 && bg_y <= 0 && bg_x + bg_w >= screen_w && bg_y + bg_h >= screen_h)) ||
  fail "background $bg_x $bg_y $bg_w $bg_h does not cover the screen ${screen_w}x$screen_h"

drive <<'EOF_' || fail "page 1"
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 1
expect @TWizardForm btnNext text "&Yes"
expect @TWizardForm btnPrevious text "&No"
expect @TWizardForm btnPrint visible 1
expect-has @TWizardForm rchLicense text "WALKER LICENCE AGREEMENT"
expect-has @TWizardForm lblLicenseAgree text 'press "Yes" to continue'
EOF_
shot walk-page1

drive <<'EOF_' || fail "page 2"
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 2
expect @TWizardForm btnNext text "&Next >>"
expect @TWizardForm btnPrevious text "<< &Previous"
expect @TWizardForm btnPrint visible 0
expect @TWizardForm edtLocation text "C:\Program Files\Walker"
expect @TWizardForm edtLocation enabled 0
expect @TWizardForm lblSpaceRequired text "4 kb"
expect-has @TWizardForm lblSpaceAvailable text " kb"
expect @TWizardForm lblInsufficientDiskSpace visible 0
expect @TWizardForm btnBrowse enabled 1
EOF_
shot walk-page2

drive <<'EOF_' || fail "back to page 1 and on to page 2"
click @TWizardForm btnPrevious
wait-for @TWizardForm WizardPages page 1
expect @TWizardForm btnNext text "&Yes"
expect @TWizardForm btnPrevious text "&No"
expect @TWizardForm btnPrint visible 1
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 2
expect @TWizardForm btnPrevious text "<< &Previous"
expect @TWizardForm btnNext text "&Next >>"
expect @TWizardForm btnPrint visible 0
click @TWizardForm btnCancel
EOF_
text=$(drive answer "Cancel Installation" "&Yes") || fail "close question"
assert_eq "$text" "Closing this program will cancel the installation. Are you sure you wish to cancel installing Walker?" "close question"
finish_setup
assert_eq "$setup_rc" 3 "exit code (cancelled)"
assert_absent "$c_drive/Program Files/Walker"
echo "walk: ok"
