#!/usr/bin/env bash
# The wizard in every language: /LANG= walks the pages, each page and the
# folder chooser photographed, every text measured against its control (the
# scope's choice too, in the longest languages); a
# product's [languages] on an English system shows its first; a Japanese
# installation is removed by a Japanese uninstaller.
source "$(dirname "$0")/lib.sh"
texts=$BW_FIXTURES/../../../src/lang/texts

# text LANG KEY: the table's text, as the windows show it (\r as it is written).
text() { sed -n "s/^$2 = //p" "$texts/$1.txt"; }

fixture walk
side_image "$work/src"
sed -i -e '/^\[launch\]/,/^\r*$/d' -e 's/^readme.txt;readme.txt/&\r\nuninstall.exe;uninstall.exe/' \
  "$work/src/install.inf"
build_setup "$work/src/install.inf" "$work/src" "$work/setup.exe"
printf '[languages]\r\nfr\r\nde\r\n\r\n' >>"$work/src/install.inf"
build_setup "$work/src/install.inf" "$work/src" "$work/offered.exe"

# start_in LANG [EXE]: the installer with /LANG=.
start_in() {
  (cd "$work" && exec timeout 240 wine "${2:-$work/setup.exe}" "/LANG=$1") >"$work/setup.log" 2>&1 &
  setup_pid=$!
}

# walk LANG: every page in LANG up to the end, photographed and measured.
walk() {
  local l=$1
  start_in "$l"
  drive <<EOF_ || fail "$l: welcome page"
wait-window @TWizardForm
expect @TWizardForm btnNext text '$(text "$l" NextButton)'
fits @TWizardForm
EOF_
  shot "lang-$l-0-welcome"
  drive <<EOF_ || fail "$l: licence page"
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 1
expect @TWizardForm btnNext text '$(text "$l" YesButton)'
fits @TWizardForm
EOF_
  shot "lang-$l-1-licence"
  drive <<EOF_ || fail "$l: location page"
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 2
fits @TWizardForm
EOF_
  shot "lang-$l-2-location"
  drive <<EOF_ || fail "$l: folder chooser"
click @TWizardForm btnBrowse
wait-window @TDirectorySelect
fits @TDirectorySelect
EOF_
  shot "lang-$l-3-chooser"
  drive <<EOF_ || fail "$l: installation"
click @TDirectorySelect btnCancel
wait-gone @TDirectorySelect
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 5 60000
fits @TWizardForm
EOF_
  shot "lang-$l-5-done"
  drive click @TWizardForm btnFinish || fail "$l: Finish"
  finish_setup
  assert_eq "$setup_rc" 0 "$l: exit code"
}

# The location page with the scope's two choices, whose captions run longest.
printf '[scope]\r\nchoice\r\n\r\n' >>"$work/src/install.inf"
sed -i '/^\[languages\]/,/^\r*$/d' "$work/src/install.inf"
build_setup "$work/src/install.inf" "$work/src" "$work/choice.exe"
# scope_page LANG SHOT: the choice's location page in LANG, measured.
scope_page() {
  start_in "$1" "$work/choice.exe"
  drive <<EOF_ || fail "$1: location page with the scope"
wait-window @TWizardForm
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 1
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 2
expect @TWizardForm rdoJustMe text '$(text "$1" InstallJustForMe)'
fits @TWizardForm
EOF_
  shot "$2"
  drive click @TWizardForm btnCancel || fail "$1: cancel"
  drive answer "$(text "$1" CancelInstallationCaption)" "&Yes" >/dev/null || fail "$1: close question"
  finish_setup
}

for l in en de fr es it pt-BR nl pl ru uk tr zh-Hans zh-Hant ko; do walk "$l"; done
for l in de ru; do scope_page "$l" "lang-$l-2-scope"; done
# At 150 % the same, for the longest scripts and for Japanese: the prefix
# gets 144 dots per inch for these runs only.
dpi() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  wineserver -k >/dev/null 2>&1
  wineserver -w
}
trap 'dpi 96; cleanup' EXIT
dpi 144
for l in de ru ja; do
  walk "$l"
  for page in 0-welcome 1-licence 2-location 3-chooser 5-done; do
    mv "$BW_SHOTS/lang-$l-$page.png" "$BW_SHOTS/lang-$l-$page-150.png"
  done
done
for l in de ru; do scope_page "$l" "lang-$l-2-scope-150"; done
dpi 96
walk ja  # last: the uninstaller below removes the installation it made
grep -q '^Language: ja' "$c_drive/Program Files/Walker/uninstall.log" ||
  fail "no Language record in uninstall.log"

# Wine's interface language is English: the product's first language wins.
start_setup "$work/offered.exe"
drive <<EOF_ || fail "[languages] fr, de"
wait-window @TWizardForm
expect @TWizardForm btnNext text '$(text fr NextButton)'
click @TWizardForm btnCancel
EOF_
drive answer "$(text fr CancelInstallationCaption)" "&Yes" >/dev/null || fail "French close question"
finish_setup
assert_eq "$setup_rc" 3 "[languages]: exit code"

(cd "$work" && exec timeout 120 wine "C:\\Program Files\\Walker\\uninstall.exe") >/dev/null 2>&1 &
uninstall_pid=$!
caption=$(text ja UninstallCaption) && caption=${caption//%1/Walker}
question=$(drive answer "$caption" "&Yes" 30000) || fail "no Japanese uninstall question"
assert_eq "$question" "$(text ja UninstallQuestion | sed 's/%1/Walker/')" "uninstall question"
report=$(drive answer "$caption" OK 30000) || fail "no Japanese report"
assert_eq "$report" "$(text ja UninstallDone | sed 's/%1/Walker/')" "uninstall report"
wait "$uninstall_pid"
wait_self_removal
assert_absent "$c_drive/Program Files/Walker"
echo "languages: ok"
