#!/usr/bin/env bash
# Installation scope under Wine (every process there is an administrator, so
# elevation itself is tested natively): [scope] user installs into the user's
# own program folder, Start menu, desktop and HKEY_CURRENT_USER and nothing
# machine-wide, and its QuietUninstallString removes it all; a per-user and a
# machine-wide product side by side, each uninstalled without touching the
# other; [scope] choice by /CURRENTUSER, by /ALLUSERS and by the wizard's radio
# buttons; both programs' manifests ask for no elevation.
source "$(dirname "$0")/lib.sh"

for exe in setup-stub.exe uninstall.exe; do
  grep -qa 'requestedExecutionLevel level="asInvoker"' "$BW_BIN/$exe" || fail "$exe: manifest"
  if grep -qa requireAdministrator "$BW_BIN/$exe"; then fail "$exe asks for administrator rights"; fi
done

hklm='HKLM\Software\Microsoft\Windows\CurrentVersion'
hkcu='HKCU\Software\Microsoft\Windows\CurrentVersion'
all_programs=$(hostpath "$(reg_value "$hklm\\Explorer\\Shell Folders" "Common Programs")")
all_desktop=$(hostpath "$(reg_value "$hklm\\Explorer\\Shell Folders" "Common Desktop")")
user_programs=$(hostpath "$(reg_value "$hkcu\\Explorer\\Shell Folders" Programs)")
user_desktop=$(hostpath "$(reg_value "$hkcu\\Explorer\\Shell Folders" Desktop)")
local_appdata=$(reg_value "$hkcu\\Explorer\\Shell Folders" "Local AppData")
[ -n "$local_appdata" ] && [ -d "$user_programs" ] || fail "the user's shell folders"
# Wine links the user's desktop to the host's home: a real folder keeps the
# test's shortcuts inside the prefix.
if [ -L "$user_desktop" ]; then rm "$user_desktop" && mkdir "$user_desktop"; fi

# product NAME SCOPE: an installer of NAME ([scope] SCOPE unless empty) in $work/NAME.exe.
product() {
  local dir=$work/$1
  mkdir -p "$dir"
  echo "$1's notes" >"$dir/note.txt"
  {
    printf '[title]\r\n%s\r\n\r\n[defaultdir]\r\n%s App\r\n\r\n' "$1" "$1"
    [ -z "$2" ] || printf '[scope]\r\n%s\r\n\r\n' "$2"
    printf '[files]\r\nnote.txt;note.txt\r\nuninstall.exe;uninstall.exe\r\n\r\n'
    printf '[program group]\r\n%s\r\n\r\n[group icons]\r\n%s;note.txt\r\n\r\n' "$1" "$1"
    printf '[desktop icons]\r\n%s;note.txt\r\n\r\n' "$1"
  } >"$dir/install.inf"
  build_setup "$dir/install.inf" "$dir" "$work/$1.exe"
}

# run_setup NAME ARGS...: NAME.exe with ARGS, to its end; sets setup_rc.
run_setup() {
  local name=$1
  shift
  (cd "$work" && exec timeout 120 wine "$work/$name.exe" "$@") >"$work/setup.log" 2>&1 &
  setup_pid=$!
  finish_setup
}

# user_dir NAME / machine_dir NAME: where each scope puts NAME's folder.
user_dir() { hostpath "$local_appdata\\Programs\\$1 App"; }
machine_dir() { hostpath "C:\\Program Files\\$1 App"; }

# expect_user NAME: installed for the user alone, with nothing machine-wide.
expect_user() {
  assert_exists "$(user_dir "$1")/note.txt"
  assert_exists "$user_programs/$1/$1.LNK"
  assert_exists "$user_desktop/$1.LNK"
  assert_eq "$(reg_value "$hkcu\\Uninstall\\$1" InstallLocation)" "$local_appdata\\Programs\\$1 App" \
    "$1: InstallLocation under HKCU"
  if wine reg query "$hklm\\Uninstall\\$1" >/dev/null 2>&1; then fail "$1: registered under HKLM"; fi
  assert_absent "$(machine_dir "$1")"
  assert_absent "$all_programs/$1"
  assert_absent "$all_desktop/$1.LNK"
  grep -qx $'Scope: user\r' "$(user_dir "$1")/uninstall.log" || fail "$1: the log's scope"
}

expect_machine() {
  assert_exists "$(machine_dir "$1")/note.txt"
  assert_exists "$all_programs/$1/$1.LNK"
  assert_exists "$all_desktop/$1.LNK"
  assert_eq "$(reg_value "$hklm\\Uninstall\\$1" InstallLocation)" "C:\\Program Files\\$1 App" \
    "$1: InstallLocation under HKLM"
  if wine reg query "$hkcu\\Uninstall\\$1" >/dev/null 2>&1; then fail "$1: registered under HKCU"; fi
  assert_absent "$(user_dir "$1")"
  assert_absent "$user_programs/$1"
}

# quiet_uninstall NAME ROOT: runs the registered QuietUninstallString; all of NAME goes.
quiet_uninstall() {
  local quiet
  quiet=$(reg_value "$2\\Uninstall\\$1" QuietUninstallString)
  [ -n "$quiet" ] || fail "$1: no QuietUninstallString under $2"
  rc=$(drive run "$quiet" 60000) || fail "running $quiet"
  assert_eq "$rc" 0 "$1: exit code of $quiet"
  for _ in $(seq 40); do [ -e "$(user_dir "$1")" ] || [ -e "$(machine_dir "$1")" ] || break; sleep 0.5; done
  assert_absent "$(user_dir "$1")"
  assert_absent "$(machine_dir "$1")"
  for place in "$user_programs/$1" "$user_desktop/$1.LNK" "$all_programs/$1" "$all_desktop/$1.LNK"; do
    assert_absent "$place"
  done
  if wine reg query "$2\\Uninstall\\$1" >/dev/null 2>&1; then fail "$1: still registered"; fi
}

product Solo user
product Shared ""
product Either choice

# --- 1. A per-user product beside a machine-wide one; each goes alone.
run_setup Solo /S
assert_eq "$setup_rc" 0 "Solo: exit code"
expect_user Solo
run_setup Shared /S
assert_eq "$setup_rc" 0 "Shared: exit code"
expect_machine Shared
quiet_uninstall Shared HKLM\\Software\\Microsoft\\Windows\\CurrentVersion
expect_user Solo
run_setup Shared /S
quiet_uninstall Solo HKCU\\Software\\Microsoft\\Windows\\CurrentVersion
expect_machine Shared
quiet_uninstall Shared HKLM\\Software\\Microsoft\\Windows\\CurrentVersion

# A fixed scope refuses the other switch.
run_setup Solo /S /ALLUSERS
assert_eq "$setup_rc" 5 "Solo /ALLUSERS: exit code"
assert_absent "$(user_dir Solo)"

# --- 2. [scope] choice by switch.
run_setup Either /S /CURRENTUSER
assert_eq "$setup_rc" 0 "Either /CURRENTUSER: exit code"
expect_user Either
quiet_uninstall Either HKCU\\Software\\Microsoft\\Windows\\CurrentVersion
run_setup Either /S /ALLUSERS
assert_eq "$setup_rc" 0 "Either /ALLUSERS: exit code"
expect_machine Either
quiet_uninstall Either HKLM\\Software\\Microsoft\\Windows\\CurrentVersion

# --- 3. [scope] choice in the wizard: an administrator is offered all users;
# "just for me" proposes the user's folder and installs there.
start_setup "$work/Either.exe"
user_win="$local_appdata\\Programs\\Either App"
drive <<EOF_ || fail "the location page"
wait-window @TWizardForm=Either 20000
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 2
expect @TWizardForm rdoAllUsers text "Install for all users of this computer (needs administrator rights)"
expect @TWizardForm rdoJustMe text "Install just for me"
expect @TWizardForm rdoAllUsers checked 1
expect @TWizardForm rdoJustMe checked 0
expect @TWizardForm edtLocation text "C:\\Program Files\\Either App"
EOF_
shot scope-all-users
drive <<EOF_ || fail "just for me"
click @TWizardForm rdoJustMe
wait-for @TWizardForm edtLocation text "$user_win"
expect @TWizardForm rdoJustMe checked 1
expect @TWizardForm rdoAllUsers checked 0
expect-has @TWizardForm lblSpaceAvailable text " kb"
EOF_
shot scope-just-me
drive <<'EOF_' || fail "installing just for me"
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 5 30000
click @TWizardForm btnFinish
EOF_
finish_setup
assert_eq "$setup_rc" 0 "Either, wizard: exit code"
expect_user Either

# Installed for the user, the wizard keeps that scope.
start_setup "$work/Either.exe"
drive <<EOF_ || fail "the installed scope"
wait-window @TWizardForm=Either 20000
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 2
expect @TWizardForm rdoJustMe checked 1
expect @TWizardForm edtLocation text "$user_win"
click @TWizardForm btnCancel
EOF_
drive answer "Cancel Installation" "&Yes" >/dev/null || fail "close question"
finish_setup
assert_eq "$setup_rc" 3 "Either, cancelled: exit code"
quiet_uninstall Either HKCU\\Software\\Microsoft\\Windows\\CurrentVersion
echo "scope: ok"
