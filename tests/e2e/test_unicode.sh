#!/usr/bin/env bash
# Any language: a UTF-8 script titled "Zürich Tools — 東京 Ελληνικά", packed by
# bwpack from files named in Cyrillic, Greek, Japanese and with an emoji,
# installed through the wizard and again with /S /D= into a folder with a
# character beyond the Basic Multilingual Plane. The files arrive with exactly
# those names, one deeper than 300 characters; the Japanese shortcut points at
# its file, the [run and wait] program gets its Unicode argument, the
# registry and both logs hold the exact text, and uninstall.exe /S removes
# everything. The licence is UTF-16, as Notepad saves it.
source "$(dirname "$0")/lib.sh"

title='Zürich Tools — 東京 Ελληνικά'
folder='Тест 日本 Ünï 😀'
win="C:\\Program Files\\$folder"
app="$c_drive/Program Files/$folder"
key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$title"
group_name='Zürich Tools 東京'
greek='Ελληνικά'
japanese='日本語'
long='πολύ-μακρύ-όνομα-φακέλου-0123456789-abcdefghijklmnopqrstuvwxyz'
deep="$greek\\$long\\$long\\$long\\$long\\$long\\deep.txt"
argument='Привет 東京 😀'

src=$work/src
mkdir -p "$src/$greek" "$src/$japanese"
echo "ноты" >"$src/ноты.txt"
echo "κείμενο" >"$src/$greek/κείμενο.txt"
echo "ファイル" >"$src/$japanese/ファイル 😀.txt"
echo "deep" >"$src/deep.txt"
cp "$BW_BIN/e2e-marker.exe" "$src/marker.exe"
printf '\xFF\xFE' >"$src/licence.txt"
printf '使用許諾契約 — LICENCE\r\nΆδεια χρήσης\r\n' | iconv -f UTF-8 -t UTF-16LE >>"$src/licence.txt"
printf '%s\r\n' "[title]" "$title" "" "[defaultdir]" "$folder" "" "[license]" "licence.txt" "" \
  "[files]" "ноты.txt;ноты.txt" "$greek\\κείμενο.txt;$greek\\κείμενο.txt" \
  "$japanese\\ファイル 😀.txt;$japanese\\ファイル 😀.txt" "deep.txt;$deep" \
  "marker.exe;marker.exe" "uninstall.exe;uninstall.exe" "" \
  "[program group]" "$group_name" "" "[group icons]" "ノート;ноты.txt" "" \
  "[run and wait]" "marker.exe $argument" "" >"$src/install.inf"
build_setup "$src/install.inf" "$src" "$work/setup.exe"
# bwpack lists the names as UTF-8.
bwpack list "$(bwpack_path "$work/setup.exe")" | tr -d '\r' | cut -f1 >"$work/list.txt" ||
  fail "bwpack list"
grep -qxF "$japanese\\ファイル 😀.txt" "$work/list.txt" || fail "bwpack list: $(cat "$work/list.txt")"

folders='HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders'
programs=$(reg_value "$folders" "Common Programs")
group="$(hostpath "$programs")/$group_name"
rm -rf "$app" "$group"
wine reg delete "$key" /f >/dev/null 2>&1

# exported_value KEY NAME: a REG_SZ value through `reg export`, which writes
# UTF-16 (`reg query` prints in the console's code page).
exported_value() {
  wine reg export "$1" "$(winpath "$work/value.reg")" /y >/dev/null 2>&1 || return 1
  iconv -f UTF-16 -t UTF-8 "$work/value.reg" | tr -d '\r' |
    sed -n "s/^\"$2\"=\"\(.*\)\"$/\1/p" | sed 's/\\"/"/g; s/\\\\/\\/g'
}

# check_installed: every file under its own name, as the Linux side sees it.
check_installed() {
  assert_eq "$(cat "$app/ноты.txt")" "ноты" "$1: Cyrillic file"
  assert_eq "$(cat "$app/$greek/κείμενο.txt")" "κείμενο" "$1: Greek file"
  assert_eq "$(cat "$app/$japanese/ファイル 😀.txt")" "ファイル" "$1: Japanese file"
  local deep_host="$app/${deep//\\//}"
  assert_eq "$(cat "$deep_host")" "deep" "$1: deep file"
  local full="$win\\$deep"
  ((${#full} > 300)) || fail "the deep path is only ${#full} characters"
  assert_eq "$(cat "$app/marker.txt")" "$argument"$'\r' "$1: [run and wait] argument"
  rm "$app/marker.txt"
  assert_eq "$(drive lnk "$programs\\$group_name\\ノート.lnk")" "$win\\ноты.txt|$win\\" "$1: shortcut"
  # reg export writes UTF-16: the exact text, beyond the Basic Multilingual Plane too.
  wine reg export "$key" "$(winpath "$work/key.reg")" /y >/dev/null 2>&1 || fail "$1: reg export"
  local exported
  exported=$(iconv -f UTF-16 -t UTF-8 "$work/key.reg" | tr -d '\r')
  grep -qxF "\"DisplayName\"=\"$title (remove only)\"" <<<"$exported" || fail "$1: $exported"
  grep -qxF "\"InstallLocation\"=\"${win//\\/\\\\}\"" <<<"$exported" || fail "$1: $exported"
  # uninstall.log: UTF-8 without a mark.
  assert_eq "$(head -c 3 "$app/uninstall.log")" "###" "$1: log start"
  grep -qxF "File: $win\\$japanese\\ファイル 😀.txt"$'\r' "$app/uninstall.log" ||
    fail "$1: uninstall.log: $(cat "$app/uninstall.log")"
}

# uninstall: the registered quiet command removes everything.
uninstall() {
  local rc
  local quiet
  quiet=$(exported_value "$key" QuietUninstallString)
  assert_eq "$quiet" "\"$win\\uninstall.exe\" /S" "$1: QuietUninstallString"
  rc=$(drive run "$quiet" 60000) || fail "$1: uninstall"
  assert_eq "$rc" 0 "$1: uninstall exit code"
  for _ in $(seq 40); do [ -e "$app" ] || break; sleep 0.5; done
  assert_absent "$app"
  assert_absent "$group"
  if wine reg query "$key" >/dev/null 2>&1; then fail "$1: registration left"; fi
}

# --- 1. The wizard, into its default folder.
start_setup "$work/setup.exe"
drive <<EOF_ || fail "wizard"
wait-window "@TWizardForm=$title" 60000
wait-window "@TMainForm=$title"
expect-has @TWizardForm lblInfo text "Welcome to $title setup!"
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 1
expect-has @TWizardForm rchLicense text "使用許諾契約 — LICENCE"
expect-has @TWizardForm rchLicense text "Άδεια χρήσης"
EOF_
shot unicode-licence
# A folder for the chooser to list.
mkdir -p "$c_drive/Program Files/$greek $japanese"
C="@TDirectorySelect=Select Install Directory"
drive <<EOF_ || fail "wizard, location"
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 2
expect @TWizardForm edtLocation text "$win"
click @TWizardForm btnBrowse
wait-window "$C"
expect-has "$C" DirectoryListBox items "|      $greek $japanese"
EOF_
shot unicode-chooser
drive <<EOF_ || fail "wizard, chooser"
click "$C" btnCancel
wait-gone "$C"
expect @TWizardForm edtLocation text "$win"
EOF_
rmdir "$c_drive/Program Files/$greek $japanese"
shot unicode-location
drive <<'EOF_' || fail "wizard, installing"
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 5 60000
EOF_
shot unicode-done
drive <<'EOF_' || fail "wizard, finish"
click @TWizardForm btnFinish
wait-gone @TWizardForm
EOF_
finish_setup
assert_eq "$setup_rc" 0 "wizard exit code"
check_installed wizard
uninstall wizard

# --- 2. /S with /D= (the rest of the line, unquoted) and a log.
(cd "$work" && exec timeout 120 wine "$work/setup.exe" /S "/LOG=$(winpath "$work/run ✓.log")" \
  "/D=$win") >"$work/setup.log" 2>&1
assert_eq "$?" 0 "/S exit code"
check_installed silent
# The run's log: UTF-8 with its mark, so that Notepad shows it right.
assert_eq "$(head -c 3 "$work/run ✓.log" | od -An -tx1 | tr -d ' ')" efbbbf "run log mark"
grep -qF "Installing into: $win"$'\r' "$work/run ✓.log" || fail "run log: $(cat "$work/run ✓.log")"
uninstall silent

# --- 3. A code-page-1252 script with "©" and "é" installs as it always did.
ansi=$work/ansi
mkdir -p "$ansi"
echo "café" >"$ansi/café.txt"
printf '%s\r\n' "[title]" "Café © 2024" "" "[defaultdir]" "Café ©" "" \
  "[files]" "café.txt;café.txt" "uninstall.exe;uninstall.exe" "" | iconv -f UTF-8 -t CP1252 \
  >"$ansi/install.inf"
build_setup "$ansi/install.inf" "$ansi" "$work/ansi.exe"
ansi_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Café © 2024'
(cd "$work" && exec timeout 120 wine "$work/ansi.exe" /S) >"$work/setup.log" 2>&1
assert_eq "$?" 0 "cp1252 /S exit code"
assert_eq "$(cat "$c_drive/Program Files/Café ©/café.txt")" "café" "cp1252 file"
assert_eq "$(exported_value "$ansi_key" DisplayName)" "Café © 2024 (remove only)" "cp1252 DisplayName"
rc=$(drive run "$(exported_value "$ansi_key" QuietUninstallString)" 60000) || fail "cp1252 uninstall"
assert_eq "$rc" 0 "cp1252 uninstall exit code"

# --- 4. A log written by an earlier installer (ANSI, "é" in a path) uninstalls.
old="$c_drive/Old Café"
mkdir -p "$old/Données"
echo x >"$old/Données/résumé.txt"
cp "$BW_BIN/uninstall.exe" "$old/uninstall.exe"
{
  log_banner
  printf '%s\r\n' "Title: Old Café" "Directory: Old Café;C:\\Old Café" \
    "File: C:\\Old Café\\uninstall.log" "Directory: Données;C:\\Old Café\\Données" "File: C:\\Old Café\\Données\\résumé.txt" \
    "File: C:\\Old Café\\uninstall.exe"
} | iconv -f UTF-8 -t CP1252 >"$old/uninstall.log"
rc=$(drive run "\"C:\\Old Café\\uninstall.exe\" /S" 60000) || fail "old log uninstall"
assert_eq "$rc" 0 "old log uninstall exit code"
for _ in $(seq 40); do [ -e "$old" ] || break; sleep 0.5; done
assert_absent "$old"
wait_self_removal
echo "unicode: ok"
