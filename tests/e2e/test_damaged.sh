#!/usr/bin/env bash
# An installer whose package is missing, cut short or whose script is
# damaged shows one error message before any other window, writes nothing
# and exits with code 2.
source "$(dirname "$0")/lib.sh"

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

# The install script's compressed data damaged: the first entry's stream,
# behind its header at the package's start.
start=$(package_start "$work/setup.exe")
cp "$work/setup.exe" "$work/badscript.exe"
printf '\xde\xad\xbe\xef\xde\xad\xbe\xef' |
  dd of="$work/badscript.exe" bs=1 seek=$((start + 268 + 8)) conv=notrunc status=none
expect_damaged "$work/badscript.exe" "damaged script"

assert_absent "$c_drive/Program Files/Walker"
echo "damaged: ok"
