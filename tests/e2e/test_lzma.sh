#!/usr/bin/env bash
# Installers with solid LZMA blocks (bwpack build --compression lzma, which
# needs the native bwpack): the example application installs through the
# wizard and with /S byte for byte; a damaged block, LZMA or deflate, is
# rolled back with exit code 1; a cancel while a block is unpacked leaves
# nothing; a signed one installs.
source "$(dirname "$0")/lib.sh"

native=${BW_HOST_BWPACK:-$(cd "$(dirname "$0")/../.." && pwd)/build/native/bin/bwpack}
[ -x "$native" ] || fail "needs the native bwpack: build the native preset first"
hello_src=$(cd "$BW_BIN/../examples/hello/package" && pwd) || fail "no examples/hello package"
hello_inf=$(cd "$(dirname "$0")/../../examples/hello" && pwd)/install.inf

# lzma_setup SCRIPT SOURCE OUT [OPTIONS...]
lzma_setup() {
  "$native" build "$1" --source "$2" --stub "$BW_BIN/setup-stub.exe" \
    --uninstaller "$BW_BIN/uninstall.exe" --compression lzma -o "$3" "${@:4}" \
    >"$work/bwpack.log" 2>&1 || { cat "$work/bwpack.log"; fail "bwpack build $1"; }
}

# same_files DIR [UNINSTALLER]: the example's files as shipped (hello.ini is
# rewritten by its [run and wait] step).
same_files() {
  for f in hello.exe data/greeting.txt; do
    cmp -s "$hello_src/$f" "$1/$f" || fail "$1/$f differs"
  done
  cmp -s "${2:-$BW_BIN/uninstall.exe}" "$1/uninstall.exe" || fail "$1/uninstall.exe differs"
}

# offset_of EXE NAME [last]: the data offset and size of the first (or the
# last) entry called NAME.
offset_of() {
  local pos end len name found=
  pos=$(package_start "$1")
  end=$(($(stat -c %s "$1") - 4))
  while ((end - pos >= 268)); do
    len=$(od -An -tu1 -j "$pos" -N1 "$1" | tr -d ' ')
    name=$(dd if="$1" bs=1 skip=$((pos + 1)) count="$len" status=none)
    if [ "$name" == "$2" ]; then
      found="$((pos + 268)) $(u32 "$1" $((pos + 264)))"
      [ "${3:-}" = last ] || break
    fi
    pos=$((pos + 268 + $(u32 "$1" $((pos + 264)))))
  done
  echo "$found"
}

hello_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Hello'
folders='HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders'
fresh_hello() {
  rm -rf "$c_drive/Program Files/Hello" "$c_drive/LzmaHello" \
    "$(hostpath "$(reg_value "$folders" "Common Programs")")/Hello" \
    "$(hostpath "$(reg_value "$folders" "Common Desktop")")/Hello.LNK"
  wine reg delete "$hello_key" /f >/dev/null 2>&1
}

# --- 1. The example through the wizard, then with /S.
lzma_setup "$hello_inf" "$hello_src" "$work/setup.exe"
"$native" verify "$work/setup.exe" >/dev/null || fail "bwpack verify"
"$native" list "$work/setup.exe" | grep -qP '^hello.exe\t\d+\tsolid$' || fail "hello.exe not in a block"
fresh_hello
start_setup "$work/setup.exe"
drive <<'EOF_' || fail "wizard"
wait-window @TWizardForm 60000
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 1
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 2
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 5 60000
click @TWizardForm chkLaunchNow
click @TWizardForm btnFinish
wait-gone @TWizardForm
EOF_
finish_setup
assert_eq "$setup_rc" 0 "wizard: exit code"
same_files "$c_drive/Program Files/Hello"
fresh_hello
(cd "$work" && exec timeout 120 wine "$work/setup.exe" /S '/D=C:\LzmaHello') >"$work/setup.log" 2>&1 &
setup_pid=$!
finish_setup
assert_eq "$setup_rc" 0 "/S: exit code"
same_files "$c_drive/LzmaHello"
fresh_hello

# --- 2. A large file over several blocks: a damaged block is rolled back,
# and a cancel while one is unpacked leaves nothing. after.txt, 64 characters
# at random, which LZMA packs no better than deflate, takes the last block,
# a deflate one: damaged, it rolls back the large file installed before it.
fixture cancel
head -c 200000000 /dev/zero >"$work/src/big.bin"
head -c 300000 /dev/urandom | base64 -w 0 >"$work/src/after.txt"
lzma_setup "$work/src/install.inf" "$work/src" "$work/big.exe"
rm -f "$work/src/big.bin"
parent=$(hostpath 'C:\Program Files\Canceller Parent')
rm -rf "$parent" && mkdir -p "$parent"

# damaged_block AT SIZE WHAT LOGGED: big.exe with bytes flipped in the middle
# of the block at AT rolls back with exit 1, its log naming LOGGED.
damaged_block() {
  cp "$work/big.exe" "$work/badblock.exe"
  printf '\x55\xaa\x55\xaa' | dd of="$work/badblock.exe" bs=1 seek=$(($1 + $2 / 2)) conv=notrunc status=none
  (cd "$work" && exec timeout 120 wine "$work/badblock.exe" /S "/LOG=$(winpath "$work/bad.log")") \
    >"$work/setup.log" 2>&1 &
  setup_pid=$!
  finish_setup
  assert_eq "$setup_rc" 1 "$3: exit code"
  grep -q "$4" "$work/bad.log" || fail "$3 not logged: $(cat "$work/bad.log")"
  [ -z "$(ls -A "$parent")" ] || fail "$3 left: $(ls -A "$parent")"
}

read -r at size < <(offset_of "$work/big.exe" "|solid block")
[ -n "$at" ] && ((size > 100)) || fail "no block found"
damaged_block "$at" "$size" "damaged block" 'big\\big.bin'

read -r at size < <(offset_of "$work/big.exe" "|solid block" last)
assert_eq "$(od -An -tx1 -j "$at" -N1 "$work/big.exe" | tr -d ' ')" 78 "a zlib stream in the last block"
damaged_block "$at" "$size" "damaged deflate block" 'after.txt'

start_setup "$work/big.exe"
drive <<'EOF_' || fail "to the big file"
wait-window @TWizardForm=Canceller
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 2
click @TWizardForm btnNext
wait-for @TWizardForm lblInstallingFile text 'Extracting big\big.bin...' 30000
wait-for @TWizardForm prgFile range 0..200000000 30000
click @TWizardForm btnCancel
wait-window "@#32770=Cancel Installation"
EOF_
shot lzma-cancel
drive answer "Cancel Installation" "&Yes" >/dev/null || fail "abort question"
finish_setup
assert_eq "$setup_rc" 3 "cancel: exit code"
[ -z "$(ls -A "$parent")" ] || fail "cancel left: $(ls -A "$parent")"

# --- 3. Signed by bwpack's --sign-command: it verifies and installs.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Bundlewrighter Test Signer" \
  -keyout "$work/key.pem" -out "$work/cert.pem" >/dev/null 2>&1 || fail "openssl certificate"
lzma_setup "$hello_inf" "$hello_src" "$work/signed.exe" --sign-command \
  "osslsigncode sign -certs '$work/cert.pem' -key '$work/key.pem' -h sha256 -in {} -out {}.s && mv {}.s {}"
osslsigncode verify -CAfile "$work/cert.pem" -in "$work/signed.exe" >/dev/null 2>&1 ||
  fail "signature does not verify"
(cd "$work" && exec timeout 120 wine "$work/signed.exe" /S '/D=C:\LzmaHello') >"$work/setup.log" 2>&1 &
setup_pid=$!
finish_setup
assert_eq "$setup_rc" 0 "signed: exit code"
# The uninstaller was signed before it was packed.
"$native" extract "$work/signed.exe" uninstall.exe -o "$work/signed-uninstall.exe" ||
  fail "extract uninstall.exe"
osslsigncode verify -CAfile "$work/cert.pem" -in "$work/signed-uninstall.exe" >/dev/null 2>&1 ||
  fail "uninstall.exe not signed"
same_files "$c_drive/LzmaHello" "$work/signed-uninstall.exe"
fresh_hello
echo "lzma: ok"
