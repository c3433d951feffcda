#!/usr/bin/env bash
# Version 1 installed; version 2 with a damaged entry fails and leaves
# version 1's files, log and registry values byte for byte; version 2 as it
# should be installs over it; uninstall.exe /S then removes everything,
# including the file that only version 1 shipped.
source "$(dirname "$0")/lib.sh"

app='C:\Program Files\Reinstaller'
dir=$(hostpath "$app")
group="$c_drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Reinstaller"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Reinstaller'
rm -rf "$dir" "$group"
wine reg delete "$key" /f >/dev/null 2>&1

# make_version N FILES...: a source folder and its installer setup-N.exe.
make_version() {
  local n=$1 src=$work/v$1
  shift
  mkdir -p "$src"
  {
    printf '[title]\r\nReinstaller\r\n\r\n[defaultdir]\r\nReinstaller\r\n\r\n[files]\r\n'
    for f in "$@"; do printf '%s;%s\r\n' "$f" "$f"; done
    printf 'uninstall.exe;uninstall.exe\r\n\r\n[program group]\r\nReinstaller\r\n\r\n'
    printf '[group icons]\r\nApp;app.txt\r\n'
  } >"$src/install.inf"
  for f in "$@"; do echo "$f of version $n" >"$src/$f"; done
  build_setup "$src/install.inf" "$src" "$work/setup-$n.exe"
}

# run_to_end EXE: through the wizard; sets setup_rc. An "Error" box is
# answered and its text kept in error_text.
run_to_end() {
  error_text=""
  start_setup "$1"
  drive <<'EOF_' || fail "$1: to the installation"
wait-window @TWizardForm=Reinstaller
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 2
click @TWizardForm btnNext
EOF_
  if drive wait-window @#32770=Error 8000 2>/dev/null; then
    shot reinstall-error
    error_text=$(drive answer Error OK) || fail "$1: error box"
  else
    drive <<'EOF_' || fail "$1: last page"
wait-for @TWizardForm WizardPages page 5 60000
click @TWizardForm btnFinish
EOF_
  fi
  finish_setup
}

state() {
  (cd "$dir" && find . -type f -exec md5sum {} + | sort)
  find "$group" -type f | sort
  wine reg query "$key" 2>/dev/null | tr -d '\r'
}

make_version 1 app.txt old.txt
run_to_end "$work/setup-1.exe"
assert_eq "$setup_rc" 0 "version 1: exit code"
state >"$work/state-1.txt"
cp "$dir/uninstall.log" "$work/log-1"

# Version 2 with incompressible data behind a marker, damaged after packing.
make_version 2 app.txt new.txt
{ printf 'CORRUPTME'; head -c 65536 /dev/urandom; } >"$work/v2/noise.bin"
sed -i 's/^uninstall.exe;uninstall.exe\r$/uninstall.exe;uninstall.exe\r\nnoise.bin;noise.bin\r/' "$work/v2/install.inf"
build_setup "$work/v2/install.inf" "$work/v2" "$work/setup-2.exe"
cp "$work/setup-2.exe" "$work/setup-2-bad.exe"
at=$(grep -obUa CORRUPTME "$work/setup-2-bad.exe" | head -1 | cut -d: -f1)
[ -n "$at" ] || fail "marker not found in the package"
printf '\x00\x11\x22\x33\x44\x55\x66\x77' |
  dd of="$work/setup-2-bad.exe" bs=1 seek=$((at + 1000)) conv=notrunc status=none

run_to_end "$work/setup-2-bad.exe"
assert_eq "$setup_rc" 1 "damaged version 2: exit code"
assert_eq "$error_text" "An error occurred while installing the file: \"$app\\noise.bin\".\r\rThe installation cannot proceed." "error"
state >"$work/state-2.txt"
diff "$work/state-1.txt" "$work/state-2.txt" >&2 || fail "version 1 changed by the failed run"
cmp -s "$work/log-1" "$dir/uninstall.log" || fail "uninstall.log changed by the failed run"

run_to_end "$work/setup-2.exe"
assert_eq "$setup_rc" 0 "version 2: exit code"
assert_eq "$(tr -d '\r' <"$dir/app.txt")" "app.txt of version 2" "app.txt"
assert_exists "$dir/old.txt"
[ -z "$(find "$dir" -name '*.bwbackup*')" ] || fail "backups left: $(find "$dir" -name '*.bwbackup*')"
grep -q "^File: $(printf '%s' "$app" | sed 's/\\/\\\\/g')\\\\old.txt"$'\r'"$" "$dir/uninstall.log" ||
  fail "old.txt is not in the new log"

(cd "$work" && exec timeout 120 wine "$dir/uninstall.exe" /S) >"$work/uninstall.out" 2>&1
assert_eq "$?" 0 "uninstall.exe /S: exit code"
for _ in $(seq 40); do [ -e "$dir" ] || break; sleep 0.5; done
assert_absent "$dir"
assert_absent "$group"
assert_eq "$(reg_value "$key" UninstallString)" "" "registration"
echo "reinstall: ok"
