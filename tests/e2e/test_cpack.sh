#!/usr/bin/env bash
# The CPack route: examples/cpack packed by `cpack --preset example` (or, in
# another build folder, by the same CPack configuration) into an installer
# that verifies and carries the install.inf the module writes, byte for byte.
# A missing stub or packer is a clear CPack error.
source "$(dirname "$0")/lib.sh"

src=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$BW_BIN/.." && pwd)
config=$build/examples/cpack/CPackConfig.cmake
setup=$work/package/HelloCPack-1.2.0-win64.exe

if [ "$build" = "$src/build/windows" ]; then
  (cd "$src" && cpack --preset example -B "$work/package") >"$work/cpack.log" 2>&1
else
  cpack --config "$config" -B "$work/package" >"$work/cpack.log" 2>&1
fi || { cat "$work/cpack.log"; fail "cpack"; }
assert_exists "$setup"
bwpack verify "$(winpath "$setup")" >"$work/verify.log" 2>&1 || { cat "$work/verify.log"; fail "verify"; }
bwpack extract "$(winpath "$setup")" install.inf -o "$(winpath "$work/install.inf")" ||
  fail "extract install.inf"

expected=$(
  printf '%s\r\n' \
    "[title]" "HelloCPack" "" "[version]" "1.2.0" "" "[publisher]" "Bundlewrighter inc." "" \
    "[defaultdir]" 'Bundlewrighter Examples\HelloCPack' "" \
    "[license]" '.bundlewrighter\License.txt' "" \
    "[files]" 'data\greeting.txt;data\greeting.txt' "hello.exe;hello.exe" "hello.ini;hello.ini" \
    "uninstall.exe;uninstall.exe" "" \
    "[program group]" "HelloCPack" "" \
    "[group icons]" "Hello from CPack;hello.exe" "Uninstall HelloCPack;uninstall.exe" "" \
    "[desktop icons]" "Hello from CPack;hello.exe" "" "[launch]" "hello.exe" "" \
    "[image]" '.bundlewrighter\side.bmp' "" \
    "[background start color]" '$4A2A1B' "" "[background end color]" "0xBF7F4D" "" \
    "[run and wait]" "hello.exe /setup" ""
  echo x
)
assert_eq "$(cat "$work/install.inf"; echo x)" "$expected" "install.inf"

# The sign command reaches bwpack whole (blanks and quotes through CPack's
# configuration), and signs uninstall.exe, then the installer.
signed=$work/signed.txt
[ -n "${BW_HOST_BWPACK:-}" ] || signed=$(winpath "$signed")
cpack --config "$config" -B "$work/signing" \
  -D CPACK_BUNDLEWRIGHTER_SIGN_COMMAND="echo {} >> \"$signed\"" >"$work/signing.log" 2>&1 ||
  { cat "$work/signing.log"; fail "cpack with a sign command"; }
assert_eq "$(wc -l <"$work/signed.txt")" 2 "files signed"
sed -n 1p "$work/signed.txt" | grep -q 'uninstall\.exe' || fail "uninstall.exe not signed first"
sed -n 2p "$work/signed.txt" | grep -v uninstall | grep -q 'HelloCPack-1\.2\.0-win64\.exe' ||
  fail "installer not signed"

# A missing stub or packer stops cpack with the module's message.
expect_error() {
  local what=$1 message=$2
  shift 2
  if cpack --config "$config" -B "$work/bad" "$@" >"$work/bad.log" 2>&1; then
    fail "cpack with $what succeeded"
  fi
  tr -s ' \n' '  ' <"$work/bad.log" | grep -q "$message" || { cat "$work/bad.log"; fail "message for $what"; }
  [ -z "$(ls "$work/bad"/*.exe 2>/dev/null)" ] || fail "an installer without $what"
}
expect_error "no stub" "Bundlewrighter: the installer stub setup-stub.exe .*does not exist" \
  -D CPACK_BUNDLEWRIGHTER_STUB="$work/none/setup-stub.exe"
expect_error "no packer" "Bundlewrighter: bwpack .*does not exist" \
  -D CPACK_BUNDLEWRIGHTER_BWPACK="$work/none/bwpack"

echo "cpack: ok"
