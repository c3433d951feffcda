#!/usr/bin/env bash
# examples/hello installed and removed three ways: uninstall.exe with its
# questions answered (everything goes, the installation folder and the
# uninstaller's temporary file included), answered No (nothing goes), and /S
# with files of the user's own in the installation (they stay with their
# folders, everything else goes, exit code 1; a file outside that a line added
# to the log names stays). A log others can change is refused (exit code 3).
# Last, /S without a log.
source "$(dirname "$0")/../lib.sh"
: "${BW_HELLO:?}" "${BW_HELLO_PACKAGE:?}"

dir="$c_drive/Program Files/Hello"
group="$c_drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Hello"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Hello'
uninstaller='C:\Program Files\Hello\uninstall.exe'
W=@TWizardForm

build_setup "$BW_HELLO/install.inf" "$BW_HELLO_PACKAGE" "$work/setup.exe"

# Whatever an earlier, failed run left in the suite's prefix: the installation
# must start from nothing for the log to claim its folders.
rm -rf "$dir" "$group" "$c_drive/users/Public/Desktop/Hello.LNK"
wine reg delete "$key" /f >/dev/null 2>&1

# A Windows path of drive C: as a path in the prefix.
unixpath() {
  local p=${1#[Cc]:\\}
  echo "$c_drive/${p//\\//}"
}

# Installs Hello with every default, but without launching it.
install_hello() {
  start_setup "$work/setup.exe"
  drive <<'EOF_' || fail "installing"
wait-window @TWizardForm 60000
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 1
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 2
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 5 60000
click @TWizardForm chkLaunchNow
expect @TWizardForm chkLaunchNow checked 0
expect @TWizardForm chkDesktopIcon checked 1
click @TWizardForm btnFinish
wait-gone @TWizardForm
EOF_
  finish_setup
  assert_eq "$setup_rc" 0 "setup exit code"
  assert_exists "$dir/uninstall.log"
  wine reg query "$key" >/dev/null 2>&1 || fail "no uninstall registration"
  # What the log names, as paths in the prefix: files, then directories.
  logged_files=()
  logged_dirs=()
  while IFS= read -r line; do
    line=${line%$'\r'}
    case "$line" in
      "File: "*) logged_files+=("$(unixpath "${line#File: }")") ;;
      "Directory: "*) logged_dirs+=("$(unixpath "${line#*;}")") ;;
    esac
  done <"$dir/uninstall.log"
  [ ${#logged_files[@]} -ge 9 ] || fail "only ${#logged_files[@]} files logged"
  for f in "${logged_files[@]}" "${logged_dirs[@]}"; do assert_exists "$f"; done
}

# start_uninstall [ARGS]: runs the installed uninstaller in the background.
uninstall_pid=""
start_uninstall() {
  (cd "$work" && exec timeout 120 wine "$uninstaller" "$@") >"$work/uninstall.log" 2>&1 &
  uninstall_pid=$!
}
# Sets uninstall_rc (not in a command substitution: the uninstaller is this
# shell's child).
finish_uninstall() {
  uninstall_rc=0
  wait "$uninstall_pid" || uninstall_rc=$?
}

# The uninstaller's own file is moved into a new folder of its own (in the
# system's temporary folder, which is on the same drive here), and a helper
# deletes both just after the uninstaller has ended; nothing goes to %TEMP%.
assert_no_temporary_copy() {
  local aside="$c_drive/windows/temp"
  for _ in $(seq 40); do
    ls -d "$aside"/bwu-* >/dev/null 2>&1 || break
    sleep 0.5
  done
  ls -d "$aside"/bwu-* >/dev/null 2>&1 && fail "the uninstaller's moved copy stayed: $(ls -d "$aside"/bwu-*)"
  ls "$c_drive"/users/*/Temp/bwu* >/dev/null 2>&1 && fail "a copy in the user's temporary folder"
  return 0
}

# The uninstaller is seen in its folder of its own before it has ended.
assert_moved_aside_while_running() {
  for _ in $(seq 40); do
    ls "$c_drive"/windows/temp/bwu-*/uninstall.exe >/dev/null 2>&1 && return 0
    sleep 0.25
  done
  fail "the running uninstaller was not moved into a folder of its own"
}

assert_all_logged_gone() {
  for f in "${logged_files[@]}" "${logged_dirs[@]}"; do assert_absent "$f"; done
  if wine reg query "$key" >/dev/null 2>&1; then fail "registration still there"; fi
}

# --- 1. Answered Yes: everything goes.
install_hello
start_uninstall
text=$(drive answer "Uninstall Hello" "&Yes" 30000) || fail "question"
assert_eq "$text" "Are you sure you want to completely remove Hello and all of its components?" "question"
shot uninstall-report
assert_moved_aside_while_running
text=$(drive answer "Uninstall Hello" "OK" 30000) || fail "report"
assert_eq "$text" "Hello was successfully removed from your computer." "report"
finish_uninstall
assert_eq "$uninstall_rc" 0 "exit code, answered"
assert_all_logged_gone
assert_absent "$dir"
assert_absent "$group"
assert_exists "$c_drive/Program Files"
assert_no_temporary_copy

# --- 2. Answered No: nothing goes.
install_hello
start_uninstall
drive answer "Uninstall Hello" "&No" 30000 >/dev/null || fail "question"
finish_uninstall
assert_eq "$uninstall_rc" 1 "exit code, declined"
for f in "${logged_files[@]}" "${logged_dirs[@]}"; do assert_exists "$f"; done

# --- 2b. A log that others can change (Wine shows the Unix "others" bits as
# Everyone's rights): refused with exit code 3, nothing goes.
chmod o+w "$dir/uninstall.log"
start_uninstall /S
finish_uninstall
assert_eq "$uninstall_rc" 3 "exit code, log writable by others"
for f in "${logged_files[@]}" "${logged_dirs[@]}"; do assert_exists "$f"; done
chmod o-w "$dir/uninstall.log"

# --- 3. Silent, with files of the user's own in the installation, and a
# line added to the log that names a file outside the installation's places.
echo "mine" >"$dir/notes.txt"
echo "mine too" >"$dir/data/my.dat"
echo "not the installation's" >"$c_drive/outside.txt"
printf 'File: C:\\outside.txt\r\nFile: C:\\Program Files\\Hello\\..\\..\\outside.txt\r\n' >>"$dir/uninstall.log"
start_uninstall /S
finish_uninstall
assert_eq "$uninstall_rc" 1 "exit code, silent with user files"
assert_eq "$(cat "$dir/notes.txt")" "mine" "user file"
assert_eq "$(cat "$dir/data/my.dat")" "mine too" "user file in data"
assert_eq "$(cat "$c_drive/outside.txt")" "not the installation's" "file outside, named in the log"
rm -f "$c_drive/outside.txt"
for f in "${logged_files[@]}"; do assert_absent "$f"; done
assert_absent "$dir/logs"
assert_absent "$group"
if wine reg query "$key" >/dev/null 2>&1; then fail "registration still there"; fi
assert_no_temporary_copy

# --- 4. Silent without a log: exit code 2, nothing touched.
cp "$BW_BIN/uninstall.exe" "$dir/uninstall.exe"
start_uninstall /S
finish_uninstall
assert_eq "$uninstall_rc" 2 "exit code without a log"
assert_exists "$dir/uninstall.exe"
assert_exists "$dir/notes.txt"
rm -rf "$dir"

echo "uninstall: ok"
