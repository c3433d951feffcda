#!/usr/bin/env bash
# Upgrades: an older version under /S exits 7 and changes nothing unless
# /ALLOWDOWNGRADE; the wizard of a newer one names both versions and proposes
# the installed folder; a file a program holds open is replaced at the next
# start (exit 3010, carried out by "wineboot -r"), and the uninstaller deletes
# such a file then as well. Wine's Restart Manager reports no programs, so
# closing them is covered by the native tests.
source "$(dirname "$0")/lib.sh"

app='C:\Upgrades\Upgrader'
dir=$(hostpath "$app")
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Upgrader'
rm -rf "$dir" "$c_drive/Upgrades"
wine reg delete "$key" /f >/dev/null 2>&1
holder_pid=""

stop_holder() {
  [ -n "$holder_pid" ] && kill "$holder_pid" 2>/dev/null && wait "$holder_pid" 2>/dev/null
  holder_pid=""
}
trap 'stop_holder; cleanup' EXIT

# make_version V: setup-V.exe, whose files say which version they are.
make_version() {
  local src=$work/v$1
  mkdir -p "$src"
  printf '[title]\r\nUpgrader\r\n\r\n[version]\r\n%s\r\n\r\n[defaultdir]\r\nUpgrader\r\n\r\n' "$1" >"$src/install.inf"
  printf '[files]\r\napp.txt;app.txt\r\nlib.txt;lib.txt\r\nuninstall.exe;uninstall.exe\r\n' >>"$src/install.inf"
  echo "app $1" >"$src/app.txt"
  echo "lib $1" >"$src/lib.txt"
  build_setup "$src/install.inf" "$src" "$work/setup-$1.exe"
}

# silent EXE ARGS...: sets setup_rc, the whole code (a Unix exit status
# would keep only its low byte of 3010).
silent() {
  local exe=$1
  shift
  setup_rc=$(drive run "\"$(winpath "$exe")\" $*" 120000) || fail "running $exe"
}

# hold FILE: a program holds FILE open, without sharing, until stop_holder.
hold() {
  rm -f "$work/held"
  wine "$BW_BIN/e2e-holder.exe" "$1" "$(winpath "$work/held")" >/dev/null 2>&1 &
  holder_pid=$!
  for _ in $(seq 100); do [ -e "$work/held" ] && return 0; sleep 0.2; done
  fail "the holder did not open $1"
}

content() { tr -d '\r' <"$dir/$1"; }

restart_wine() {
  wineboot -r >/dev/null 2>&1 || fail "wineboot -r"
  wineserver -w
}

make_version 1.9
make_version 1.10

silent "$work/setup-1.10.exe" /S "/D=$app"
assert_eq "$setup_rc" 0 "1.10: exit code"
before=$(cd "$dir" && md5sum app.txt lib.txt uninstall.log)
silent "$work/setup-1.9.exe" /S
assert_eq "$setup_rc" 7 "1.9 over 1.10: exit code"
assert_eq "$(cd "$dir" && md5sum app.txt lib.txt uninstall.log)" "$before" "files after the refused downgrade"
assert_eq "$(reg_value "$key" DisplayVersion)" "1.10" "version after the refused downgrade"
silent "$work/setup-1.9.exe" /S /ALLOWDOWNGRADE
assert_eq "$setup_rc" 0 "1.9 with /ALLOWDOWNGRADE: exit code"
assert_eq "$(content lib.txt)" "lib 1.9" "lib.txt after the downgrade"
assert_eq "$(reg_value "$key" DisplayVersion)" "1.9" "version after the downgrade"

# The wizard of the newer version, while a program holds lib.txt: both
# versions, the installed folder, and a last page that offers the restart.
hold "$app\\lib.txt"
start_setup "$work/setup-1.10.exe"
drive <<'EOF_' || fail "upgrade wizard"
wait-window @TWizardForm=Upgrader
expect-has @TWizardForm lblInfo text "Upgrader 1.9 is installed on this computer. This setup installs version 1.10 in its place."
EOF_
shot upgrade-welcome
drive <<EOF_ || fail "upgrade location page"
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 2
expect @TWizardForm edtLocation text "$app"
EOF_
shot upgrade-location
drive <<'EOF_' || fail "upgrade last page"
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 5 60000
expect @TWizardForm rdoRestartLater checked 1
expect @TWizardForm rdoRestartNow checked 0
expect-has @TWizardForm lblComplete text "a restart of the computer is needed"
EOF_
shot upgrade-restart
drive click @TWizardForm btnFinish >/dev/null || fail "Finish"
finish_setup
assert_eq "$setup_rc" $((3010 % 256)) "the wizard's exit code, as Wine hands it on"

# /S again, lib.txt still held: the waiting replacement is made anew.
silent "$work/setup-1.10.exe" /S
assert_eq "$setup_rc" 3010 "1.10 over a held file: exit code"
assert_eq "$(content app.txt)" "app 1.10" "app.txt"
assert_eq "$(content lib.txt)" "lib 1.9" "the held lib.txt"
assert_eq "$(content lib.txt.bwnew)" "lib 1.10" "lib.txt.bwnew"
grep -q "^Replace: .*lib.txt;.*lib.txt.bwnew"$'\r'"$" "$dir/uninstall.log" || fail "no Replace record"
stop_holder
restart_wine
assert_eq "$(content lib.txt)" "lib 1.10" "lib.txt after the restart"
assert_eq "$(cd "$dir" && ls | sort | tr '\n' ' ')" "app.txt lib.txt uninstall.exe uninstall.log " "files after the restart"

# The uninstaller, with lib.txt held: the rest goes now, lib.txt and the folder at the restart.
hold "$app\\lib.txt"
setup_rc=$(drive run "\"$app\\uninstall.exe\" /S" 120000) || fail "running uninstall.exe"
assert_eq "$setup_rc" 3010 "uninstall.exe /S with a held file: exit code"
wait_self_removal
assert_absent "$dir/app.txt"
assert_exists "$dir/lib.txt"
assert_eq "$(reg_value "$key" UninstallString)" "" "registration"
stop_holder
restart_wine
assert_absent "$dir"
echo "upgrade: ok"
