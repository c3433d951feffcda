#!/usr/bin/env bash
# Signed installers: signed by osslsigncode with a throw-away certificate,
# through bwpack's --sign-command and by hand, they verify and install; the
# signer adds no padding to a file bwpack built, and the installer copes (with
# /S) with the padding it adds to one built without alignment; a byte changed
# in the package, or anything after the signature, makes a damaged installer.
source "$(dirname "$0")/lib.sh"

# Signing runs Linux tools, which bwpack.exe under Wine cannot start: the
# native bwpack signs (BW_HOST_BWPACK, or the native preset's).
native=${BW_HOST_BWPACK:-$(cd "$(dirname "$0")/../.." && pwd)/build/native/bin/bwpack}
[ -x "$native" ] || fail "needs the native bwpack: build the native preset first"

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Bundlewrighter Test Signer" \
  -keyout "$work/key.pem" -out "$work/cert.pem" >/dev/null 2>&1 || fail "openssl certificate"
sign() { # IN OUT
  osslsigncode sign -certs "$work/cert.pem" -key "$work/key.pem" -h sha256 -n Signed \
    -in "$1" -out "$2" >/dev/null
}
verify_signature() { osslsigncode verify -CAfile "$work/cert.pem" -in "$1" >"$work/verify.log" 2>&1; }

# cert_table EXE: offset and size of the certificate table (PE32+).
cert_table() {
  local pe
  pe=$(u32 "$1" 60)
  echo "$(u32 "$1" $((pe + 24 + 112 + 32))) $(u32 "$1" $((pe + 24 + 112 + 36)))"
}

# walk_install EXE TITLE: walks the wizard (no licence) into C:\Program Files\TITLE.
walk_install() {
  local dir
  dir="$c_drive/Program Files/$2"
  rm -rf "$dir"
  start_setup "$1"
  drive <<EOF_ || fail "$2: wizard"
wait-window @TWizardForm=$2
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 2
expect @TWizardForm edtLocation text 'C:\\Program Files\\$2'
click @TWizardForm btnNext
wait-for @TWizardForm WizardPages page 5 60000
click @TWizardForm btnFinish
EOF_
  finish_setup
  assert_eq "$setup_rc" 0 "$2: exit code"
  cmp -s "$work/src/note.txt" "$dir/note.txt" || fail "$2: note.txt"
}

fixture signed

# A signed stub would hide the package behind its signature: refused.
sign "$BW_BIN/setup-stub.exe" "$work/signed-stub.exe" || fail "signing the stub"
"$native" build "$work/src/install.inf" --stub "$work/signed-stub.exe" \
  --uninstaller "$BW_BIN/uninstall.exe" -o "$work/refused.exe" 2>"$work/err.txt" &&
  fail "a signed stub was taken"
grep -q "is signed" "$work/err.txt" || fail "signed stub: $(cat "$work/err.txt")"
assert_absent "$work/refused.exe"

# bwpack signs uninstall.exe, then the installer; the command notes each
# file's size before signing.
cmd="stat -c %s {} >>'$work/sizes'; osslsigncode sign -certs '$work/cert.pem'"
cmd+=" -key '$work/key.pem' -h sha256 -n Signed -in {} -out {}.signed >/dev/null && mv {}.signed {}"
"$native" build "$work/src/install.inf" --stub "$BW_BIN/setup-stub.exe" \
  --uninstaller "$BW_BIN/uninstall.exe" --sign-command "$cmd" -o "$work/setup.exe" \
  >"$work/bwpack.log" 2>&1 || { cat "$work/bwpack.log"; fail "bwpack build --sign-command"; }
verify_signature "$work/setup.exe" || { cat "$work/verify.log"; fail "signature of setup.exe"; }
read -r table table_size < <(cert_table "$work/setup.exe")
unsigned=$(sed -n 2p "$work/sizes")
echo "bwpack-built: $unsigned bytes unsigned, table at $table ($table_size bytes)," \
  "file $(stat -c %s "$work/setup.exe") bytes"
assert_eq "$table" "$unsigned" "certificate table right behind the trailer (no padding)"
for cmd in list verify; do
  "$native" $cmd "$work/setup.exe" >"$work/$cmd.txt" || fail "bwpack $cmd on a signed file"
done
grep -qx "OK 3 entries" "$work/verify.txt" || fail "bwpack verify: $(cat "$work/verify.txt")"
"$native" extract "$work/setup.exe" --all -C "$work/extracted" || fail "bwpack extract"
verify_signature "$work/extracted/uninstall.exe" || fail "uninstall.exe was not signed"

walk_install "$work/setup.exe" Signed
cmp -s "$work/extracted/uninstall.exe" "$c_drive/Program Files/Signed/uninstall.exe" ||
  fail "installed uninstall.exe"

# A byte changed in install.inf's stream (behind the first header): the
# signature no longer matches and the installer is damaged.
start=$(u32 "$work/setup.exe" $((table - 4)))
cp "$work/setup.exe" "$work/flipped.exe"
byte=$(od -An -tu1 -j $((start + 268 + 4)) -N1 "$work/setup.exe" | tr -d ' ')
printf "\\x$(printf %02x $((byte ^ 0x20)))" |
  dd of="$work/flipped.exe" bs=1 seek=$((start + 268 + 4)) conv=notrunc status=none
verify_signature "$work/flipped.exe" && fail "osslsigncode accepted a changed file"
expect_damaged "$work/flipped.exe" "changed byte in a signed file"
# Anything after the signature.
{ cat "$work/setup.exe"; printf 'appended'; } >"$work/appended.exe"
expect_damaged "$work/appended.exe" "bytes after the signature"

# Built by hand without alignment (a stub, a bare package, a trailer), then
# signed: the signer pads before its table, here with 7 bytes (zeros after
# the stub make the file one byte longer than a multiple of 8), so that the
# four bytes before the table read as a trailer of 0.
sed 's/Signed/Handmade/' "$work/src/install.inf" >"$work/src/hand.inf"
"$native" build "$work/src/hand.inf" --source "$work/src" --uninstaller "$BW_BIN/uninstall.exe" \
  -o "$work/package.bin" >/dev/null || fail "bare package"
cp "$BW_BIN/setup-stub.exe" "$work/host.bin"
while [ $((($(stat -c %s "$work/host.bin") + $(stat -c %s "$work/package.bin") + 4) % 8)) -ne 1 ]; do
  printf '\0' >>"$work/host.bin"
done
host=$(stat -c %s "$work/host.bin")
{
  cat "$work/host.bin" "$work/package.bin"
  printf "\\x$(printf %02x $((host & 255)))\\x$(printf %02x $((host >> 8 & 255)))"
  printf "\\x$(printf %02x $((host >> 16 & 255)))\\x$(printf %02x $((host >> 24)))"
} >"$work/hand.exe"
sign "$work/hand.exe" "$work/hand-signed.exe" || fail "signing by hand"
verify_signature "$work/hand-signed.exe" || fail "signature of the hand-made installer"
read -r table table_size < <(cert_table "$work/hand-signed.exe")
unsigned=$(stat -c %s "$work/hand.exe")
echo "hand-made: $unsigned bytes unsigned, table at $table ($table_size bytes):" \
  "$((table - unsigned)) bytes of padding"
assert_eq "$((table - unsigned))" 7 "padding added by the signer"
# This one installs unattended, into a folder with a blank.
rm -rf "$c_drive/Signed by hand"
(cd "$work" && exec timeout 120 wine "$work/hand-signed.exe" /S '/D=C:\Signed by hand') \
  >"$work/setup.log" 2>&1
assert_eq "$?" 0 "hand-made: exit code of /S"
cmp -s "$work/src/note.txt" "$c_drive/Signed by hand/note.txt" || fail "hand-made: note.txt"

# bwpack.exe runs the sign command through cmd.exe, with the path quoted:
# a blank in it, and a command that fails.
mkdir -p "$work/with blank"
wine "$BW_BIN/bwpack.exe" build "$(winpath "$work/src/install.inf")" \
  --stub "$(winpath "$BW_BIN/setup-stub.exe")" --uninstaller "$(winpath "$BW_BIN/uninstall.exe")" \
  --sign-command 'if not exist {} exit 7' -o "$(winpath "$work/with blank/setup.exe")" \
  >"$work/bwpack.log" 2>&1 || { cat "$work/bwpack.log"; fail "bwpack.exe --sign-command"; }
wine "$BW_BIN/bwpack.exe" build "$(winpath "$work/src/install.inf")" \
  --stub "$(winpath "$BW_BIN/setup-stub.exe")" --uninstaller "$(winpath "$BW_BIN/uninstall.exe")" \
  --sign-command 'if exist {} exit 7' -o "$(winpath "$work/with blank/failed.exe")" \
  >"$work/bwpack.log" 2>&1 && fail "bwpack.exe ignored a failed sign command"
grep -q "exited with code 7" "$work/bwpack.log" || fail "bwpack.exe: $(cat "$work/bwpack.log")"
assert_eq "$(ls "$work/with blank")" "setup.exe" "files left by bwpack.exe"
echo "signed: ok"
