#!/usr/bin/env bash
# The installation folder: a second product is refused in the first one's
# folder and installed beside it leaves it whole; a product id keeps one key
# across titles; /D= is made canonical or refused; and a reinstall ended by
# its PID while it writes is undone by the installer started again.
source "$(dirname "$0")/lib.sh"

uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'

# make_setup NAME TITLE DEFAULTDIR ID FILE...: installer $work/NAME.exe whose
# files hold "FILE of NAME"; ID may be empty.
make_setup() {
  local name=$1 title=$2 dir=$3 id=$4 src=$work/$1
  shift 4
  mkdir -p "$src"
  {
    printf '[title]\r\n%s\r\n\r\n[defaultdir]\r\n%s\r\n\r\n' "$title" "$dir"
    [ -z "$id" ] || printf '[product id]\r\n%s\r\n\r\n' "$id"
    printf '[files]\r\n'
    for f in "$@"; do printf '%s;%s\r\n' "$f" "$f"; done
    printf 'uninstall.exe;uninstall.exe\r\n\r\n[program group]\r\n%s\r\n\r\n' "$title"
    printf '[group icons]\r\n%s;%s\r\n' "$title" "$1"
  } >"$src/install.inf"
  for f in "$@"; do [ -e "$src/$f" ] || echo "$f of $name" >"$src/$f"; done
  build_setup "$src/install.inf" "$src" "$work/$name.exe"
}

# silent EXE ARGS...: setup_rc is its exit code.
silent() {
  local exe=$1
  shift
  (cd "$work" && exec timeout 240 wine "$exe" /S "$@") >"$work/setup.log" 2>&1
  setup_rc=$?
}

# uninstall DIR: uninstall.exe /S of that installation; uninstall_rc.
uninstall() {
  (cd "$work" && exec timeout 120 wine "$(hostpath "$1")/uninstall.exe" /S) >"$work/un.log" 2>&1
  uninstall_rc=$?
  for _ in $(seq 40); do [ -e "$(hostpath "$1")/uninstall.exe" ] || break; sleep 0.5; done
  wait_self_removal
}

state() { (cd "$(hostpath "$1")" && find . -type f -exec md5sum {} + | sort); }

foo='C:\Program Files\Foo' plugins='C:\Program Files\Foo Plugins'
rm -rf "$(hostpath "$foo")" "$(hostpath "$plugins")"
make_setup foo Foo Foo "" foo.exe data.txt
make_setup plugins "Foo Plugins" Foo "" plugin.dll

# --- 1. Two products, one default folder.
silent "$work/foo.exe"
assert_eq "$setup_rc" 0 "Foo"
state "$foo" >"$work/foo-1"
silent "$work/plugins.exe"
assert_eq "$setup_rc" 4 "Foo Plugins into Foo's folder"
state "$foo" | diff "$work/foo-1" - >&2 || fail "Foo changed by the refused add-on"
grep -q '^Title: Foo'$'\r''$' "$(hostpath "$foo")/uninstall.log" || fail "Foo's log changed"
# The wizard names the product that is there, and stays on the location page.
start_setup "$work/plugins.exe"
drive <<'EOF_' || fail "the wizard to Foo's folder"
wait-window "@TWizardForm=Foo Plugins"
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 2
click @TWizardForm btnNext
wait-window @#32770=Error
EOF_
shot folders-other-product
text=$(drive answer Error OK) || fail "the refusal"
assert_eq "$text" "The installation directory \"$foo\" cannot be used: it holds the installation of another product, Foo.\r\rPlease choose another location." "the refusal"
drive <<'EOF_' || fail "cancel on the location page"
wait-for @TWizardForm WizardPages page 2
click @TWizardForm btnCancel
wait-window "@#32770=Cancel Installation"
EOF_
drive answer "Cancel Installation" "&Yes" >/dev/null || fail "cancel question"
finish_setup
assert_eq "$setup_rc" 3 "the wizard cancelled"
state "$foo" | diff "$work/foo-1" - >&2 || fail "Foo changed by the wizard"

silent "$work/plugins.exe" "/D=$plugins"
assert_eq "$setup_rc" 0 "Foo Plugins into a folder of its own"
uninstall "$plugins"
assert_eq "$uninstall_rc" 0 "uninstall Foo Plugins"
assert_absent "$(hostpath "$plugins")"
state "$foo" | diff "$work/foo-1" - >&2 || fail "Foo changed by the add-on's uninstall"
assert_eq "$(reg_value "$uninstall_key\\Foo" DisplayName)" "Foo (remove only)" "Foo's entry"
silent "$work/plugins.exe" "/D=$plugins"
uninstall "$foo"
assert_eq "$uninstall_rc" 0 "uninstall Foo"
assert_absent "$(hostpath "$foo")"
assert_exists "$(hostpath "$plugins")/plugin.dll"
uninstall "$plugins"

# --- 2. The version in the title, the same product id: one key.
example='C:\Program Files\Example'
rm -rf "$(hostpath "$example")"
make_setup ex1 "Example 1.0" Example Example app.exe
make_setup ex2 "Example 2.0" Example Example app.exe
silent "$work/ex1.exe"
silent "$work/ex2.exe"
assert_eq "$setup_rc" 0 "Example 2.0 over 1.0"
assert_eq "$(reg_value "$uninstall_key\\Example" DisplayName)" "Example 2.0 (remove only)" "the key"
wine reg query "$uninstall_key\\Example 1.0" >/dev/null 2>&1 && fail "Example 1.0's key stayed"
uninstall "$example"
assert_eq "$uninstall_rc" 0 "uninstall Example"
assert_absent "$(hostpath "$example")"
wine reg query "$uninstall_key\\Example" >/dev/null 2>&1 && fail "Example's key stayed"

# --- 3. /D= as typed.
rm -rf "$c_drive/Apps" && mkdir -p "$c_drive/Apps"
make_setup hello Hello Hello "" hello.exe
silent "$work/hello.exe" '/D=C:\Apps\x\..\Hello.'
assert_eq "$setup_rc" 0 "/D= with .. and a trailing dot"
assert_exists "$c_drive/Apps/Hello/hello.exe"
assert_absent "$c_drive/Apps/x"
assert_eq "$(reg_value "$uninstall_key\\Hello" UninstallString)" 'C:\Apps\Hello\uninstall.exe' "command"
uninstall 'C:\Apps\Hello'
assert_eq "$uninstall_rc" 0 "uninstall Hello"
assert_absent "$c_drive/Apps/Hello"
for bad in 'Hello' 'C:\Apps\NUL' 'C:\Apps\con.txt\Hello' '\\nowhere-server\share\Hello'; do
  silent "$work/hello.exe" "/D=$bad"
  assert_eq "$setup_rc" 4 "/D=$bad"
  [ -z "$(ls -A "$c_drive/Apps")" ] || fail "/D=$bad left $(ls -A "$c_drive/Apps")"
done
assert_absent "$c_drive/nowhere-server"

# --- 4. A reinstall ended by its PID while it writes.
app='C:\Program Files\Killed'
rm -rf "$(hostpath "$app")"
make_setup k1 Killed Killed "" a.exe b.dat
mkdir -p "$work/k2" && head -c 150000000 /dev/urandom >"$work/k2/c.bin"
make_setup k2 Killed Killed "" a.exe b.dat c.bin
silent "$work/k1.exe"
assert_eq "$setup_rc" 0 "version 1"
state "$app" >"$work/killed-1"
cp "$(hostpath "$app")/uninstall.log" "$work/killed-log-1"

# killed_reinstall: version 2 /S, ended while it unpacks its last file.
killed_reinstall() {
  (cd "$work" && exec wine "$work/k2.exe" /S) >/dev/null 2>&1 &
  local pid=$!
  for _ in $(seq 600); do [ -e "$(hostpath "$app")/c.bin" ] && break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null || fail "version 2 is not running"
  # The installer's own process (the wine loader execs into it), and any
  # other process of it, by PID.
  kill -KILL "$pid" $(pgrep -f 'k2\.exe') 2>/dev/null
  wait "$pid" 2>/dev/null
  while pgrep -f 'k2\.exe' >/dev/null; do sleep 0.1; done
  [ -n "$(find "$(hostpath "$app")" -name '*.bwbackup*')" ] || fail "killed before any backup was made"
}

killed_reinstall
start_setup "$work/k2.exe"
drive wait-window @TWizardForm=Killed || fail "the wizard after the kill"
state "$app" | diff "$work/killed-1" - >&2 || fail "version 1 is not back"
cmp -s "$work/killed-log-1" "$(hostpath "$app")/uninstall.log" || fail "the log is not version 1's"
drive click @TWizardForm btnCancel || fail "cancel"
drive answer "Cancel Installation" "&Yes" >/dev/null || fail "cancel question"
finish_setup
assert_eq "$setup_rc" 3 "the wizard cancelled"

# Cut short again, and uninstalled instead: nothing stays.
killed_reinstall
uninstall "$app"
assert_eq "$uninstall_rc" 0 "uninstall after the kill"
assert_absent "$(hostpath "$app")"
echo "folders: ok"
