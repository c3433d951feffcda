#!/usr/bin/env bash
# A full installation with licence, into a new folder with a blank in its
# name: files, [directories], the program group with a program and a web
# shortcut, the uninstall registration, a [run and wait] program with
# arguments, desktop icon and launch at Finish. Checks the installed bytes,
# uninstall.log byte for byte, the shortcuts and the registry values, and
# keeps screenshots of pages 3, 4 and 5.
source "$(dirname "$0")/lib.sh"

fixture install
side_image "$work/src"
cp "$BW_BIN/e2e-marker.exe" "$work/src/marker.exe"
# Large and highly compressible, so that page 3 stays long enough to be seen
# (at today's install speed 200 MB passed between two looks of the driver).
{ head -c 4096 /dev/urandom; head -c 1000000000 /dev/zero; } >"$work/src/data.bin"
build_setup "$work/src/install.inf" "$work/src" "$work/setup.exe"

app='C:\Program Files\Fullhouse Co\App'
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Fullhouse'
folders='HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders'
programs=$(reg_value "$folders" "Common Programs")
desktop=$(reg_value "$folders" "Common Desktop")
[ -n "$programs" ] && [ -n "$desktop" ] || fail "shell folders"
# A fresh start in the shared prefix.
rm -rf "$(hostpath 'C:\Program Files\Fullhouse Co')" "$(hostpath "$programs")/Fullhouse" \
  "$(hostpath "$desktop")/Marker.LNK"
wine reg delete "$key" /f >/dev/null 2>&1

start_setup "$work/setup.exe"
drive <<'EOF_' || fail "to page 2"
wait-window @TWizardForm=Fullhouse
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 1
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 2
expect @TWizardForm edtLocation text 'C:\Program Files\Fullhouse Co\App'
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 3
expect @TWizardForm btnPrevious visible 0
expect @TWizardForm btnNext visible 1
expect @TWizardForm prgTotal range 0..3
wait-for @TWizardForm lblInstallingFile text 'Extracting data\sub\data.bin...'
EOF_
shot install-page3
drive <<'EOF_' || fail "page 4"
wait-for @TWizardForm WizardPages page 4 60000
wait-for @TWizardForm lblCompleting text "Running external program marker.exe /setup alpha --sleep=6000..."
EOF_
shot install-page4
drive <<'EOF_' || fail "page 5"
wait-for @TWizardForm WizardPages page 5 60000
expect @TWizardForm lblComplete text "Installation of Fullhouse has successfully completed.\r\rYou may now run Fullhouse.\r\rPlease choose if you want a desktop shortcut created."
expect @TWizardForm chkDesktopIcon checked 1
expect @TWizardForm chkLaunchNow checked 1
expect @TWizardForm btnFinish visible 1
expect @TWizardForm btnNext visible 0
expect @TWizardForm btnCancel visible 0
expect @TWizardForm btnPrevious visible 0
EOF_
shot install-page5
# The [run and wait] program ran, with its arguments, before the last page.
marker=$(hostpath "$app")/marker.txt
assert_eq "$(cat "$marker")" $'/setup alpha --sleep=6000\r' "marker after [run and wait]"

drive click @TWizardForm btnFinish || fail "finish"
finish_setup
assert_eq "$setup_rc" 0 "exit code"

# Installed bytes.
dir=$(hostpath "$app")
cmp -s "$work/src/marker.exe" "$dir/marker.exe" || fail "marker.exe differs"
cmp -s "$work/src/readme.txt" "$dir/docs/readme.txt" || fail "readme.txt differs"
cmp -s "$work/src/data.bin" "$dir/data/sub/data.bin" || fail "data.bin differs"
cmp -s "$BW_BIN/uninstall.exe" "$dir/uninstall.exe" || fail "uninstall.exe differs"
assert_exists "$dir/logs/archive"

# The log, record by record.
{
  log_banner
  printf '%s\r\n' \
    "Title: Fullhouse" \
    "Directory: Fullhouse Co\\App;$app" \
    "File: $app\\uninstall.log" \
    "Directory: archive;$app\\logs\\archive" \
    "File: $app\\marker.exe" \
    "Directory: docs\\;$app\\docs\\" \
    "File: $app\\docs\\readme.txt" \
    "Directory: data\\;$app\\data\\" \
    "Directory: sub\\;$app\\data\\sub\\" \
    "File: $app\\data\\sub\\data.bin" \
    "File: $app\\uninstall.exe" \
    "Directory: Fullhouse;$programs\\Fullhouse" \
    "File: $programs\\Fullhouse\\Marker.LNK" \
    "File: $programs\\Fullhouse\\Fullhouse Web.URL" \
    "File: $desktop\\Marker.LNK"
} >"$work/expected.log"
cmp "$work/expected.log" "$dir/uninstall.log" || {
  diff <(tr -d '\r' <"$work/expected.log") <(tr -d '\r' <"$dir/uninstall.log")
  fail "uninstall.log"
}

# Shortcuts.
link=$(drive lnk "$programs\\Fullhouse\\Marker.LNK") || fail "group link"
assert_eq "$link" "$app\\marker.exe|$app\\" "group link"
link=$(drive lnk "$desktop\\Marker.LNK") || fail "desktop link"
assert_eq "$link" "$app\\marker.exe|$app\\" "desktop link"
printf '[InternetShortcut]\r\nURL=https://fullhouse.example/Start?x=1\r\n' >"$work/expected.url"
cmp -s "$work/expected.url" "$(hostpath "$programs")/Fullhouse/Fullhouse Web.URL" || fail ".URL bytes"

# Registration: the command is quoted, for the blank in the folder's name.
assert_eq "$(reg_value "$key" DisplayName)" "Fullhouse (remove only)" "DisplayName"
assert_eq "$(reg_value "$key" UninstallString)" "\"$app\\uninstall.exe\"" "UninstallString"

# Launched at Finish: the marker's second line, without arguments.
for _ in $(seq 50); do [ "$(wc -l <"$marker")" -ge 2 ] && break; sleep 0.2; done
assert_eq "$(sed -n 2p "$marker")" $'\r' "launch at Finish"
echo "install: ok"
