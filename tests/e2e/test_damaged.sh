#!/usr/bin/env bash
# An installer whose package is missing, cut short or whose script is
# damaged shows one error message before any other window, writes nothing
# and exits with code 2.
source "$(dirname "$0")/lib.sh"

# expect_damaged EXE WHAT: one "Setup Error" box, no wizard, exit code 2.
expect_damaged() {
  start_setup "$1"
  drive <<'EOF_' || fail "$2: a window besides the message"
wait-window "@#32770=Setup Error" 20000
wait-gone @TWizardForm 100
wait-gone @TMainForm 100
EOF_
  text=$(drive answer "Setup Error" OK 20000) || fail "$2: no error message"
  case "$text" in
    *"damaged or incomplete"*) ;;
    *) fail "$2: message '$text'" ;;
  esac
  finish_setup
  assert_eq "$setup_rc" 2 "$2: exit code"
  echo "$2: $text"
}

# The stub alone: no package behind it.
cp "$BW_BIN/setup-stub.exe" "$work/bare.exe"
expect_damaged "$work/bare.exe" "no package"

# A package cut short: its trailer points nowhere.
fixture walk
side_image "$work/src"
build_setup "$work/src/install.inf" "$work/src" "$work/setup.exe"
size=$(stat -c %s "$work/setup.exe")
head -c $((size - 1000)) "$work/setup.exe" >"$work/short.exe"
expect_damaged "$work/short.exe" "truncated package"

# The install script's compressed data damaged: it sits right behind the
# stub and its entry header.
stub=$(stat -c %s "$BW_BIN/setup-stub.exe")
cp "$work/setup.exe" "$work/badscript.exe"
printf '\xde\xad\xbe\xef\xde\xad\xbe\xef' |
  dd of="$work/badscript.exe" bs=1 seek=$((stub + 268 + 8)) conv=notrunc status=none
expect_damaged "$work/badscript.exe" "damaged script"

assert_absent "$c_drive/Program Files/Walker"
echo "damaged: ok"
