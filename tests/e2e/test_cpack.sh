#!/usr/bin/env bash
# The CPack route: examples/cpack packed by `cpack --preset example` (or, in
# another build folder, by the same CPack configuration) into an installer
# that verifies and carries the install.inf the module writes, byte for byte;
# installed with /S it shows the project's version in the installed-programs
# list, and its quiet uninstall command removes it. A missing stub or packer
# is a clear CPack error.
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
bwpack verify "$(bwpack_path "$setup")" >"$work/verify.log" 2>&1 || { cat "$work/verify.log"; fail "verify"; }
bwpack extract "$(bwpack_path "$setup")" install.inf -o "$(bwpack_path "$work/install.inf")" ||
  fail "extract install.inf"

# UTF-8 with its mark: the shortcut's name is not ASCII.
expected=$(
  printf '\xEF\xBB\xBF'
  printf '%s\r\n' \
    "[title]" "HelloCPack" "" "[product id]" "HelloCPack" "" \
    "[version]" "1.2.0" "" "[publisher]" "Bundlewrighter inc." "" \
    "[defaultdir]" 'Bundlewrighter Examples\HelloCPack' "" \
    "[license]" '.bundlewrighter\License.txt' "" \
    "[files]" 'data\greeting.txt;data\greeting.txt' "hello.exe;hello.exe" "hello.ini;hello.ini" \
    "uninstall.exe;uninstall.exe" "" \
    "[program group]" "HelloCPack" "" \
    "[group icons]" "Hello from CPack – Grüße;hello.exe" "Uninstall HelloCPack;uninstall.exe" "" \
    "[desktop icons]" "Hello from CPack – Grüße;hello.exe" "" "[launch]" "hello.exe" "" \
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

# BUNDLEWRIGHTER_SCOPE becomes [scope]; a value the installer does not know stops CPack.
cpack --config "$config" -B "$work/scoped" -D CPACK_BUNDLEWRIGHTER_SCOPE=Choice >"$work/scoped.log" 2>&1 ||
  { cat "$work/scoped.log"; fail "cpack with a scope"; }
bwpack extract "$(bwpack_path "$work/scoped/HelloCPack-1.2.0-win64.exe")" install.inf \
  -o "$(bwpack_path "$work/scoped.inf")" || fail "extract the scoped install.inf"
assert_eq "$(tr -d '\r' <"$work/scoped.inf" | grep -A1 -x '\[scope\]' | tail -1)" choice "[scope]"
if cpack --config "$config" -B "$work/unscoped" -D CPACK_BUNDLEWRIGHTER_SCOPE=everyone \
  >"$work/unscoped.log" 2>&1; then fail "cpack took an unknown scope"; fi
grep -q "BUNDLEWRIGHTER_SCOPE is \"everyone\": machine, user or choice" "$work/unscoped.log" ||
  { cat "$work/unscoped.log"; fail "the unknown scope's message"; }

# Installed unattended, as a deployment tool would, and removed the same way.
examples="$c_drive/Program Files/Bundlewrighter Examples"
app="$examples/HelloCPack"
group="$c_drive/ProgramData/Microsoft/Windows/Start Menu/Programs/HelloCPack"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\HelloCPack'
rm -rf "$examples" "$group" \
  "$c_drive/users/Public/Desktop/Hello from CPack – Grüße.LNK"
wine reg delete "$key" /f >/dev/null 2>&1
setup_rc=0
(cd "$work" && timeout 120 wine "$setup" /S) >"$work/setup.log" 2>&1 || setup_rc=$?
assert_eq "$setup_rc" 0 "exit code of setup.exe /S"
for f in hello.exe hello.ini data/greeting.txt uninstall.exe uninstall.log; do assert_exists "$app/$f"; done
grep -q "^SetUp=" "$app/hello.ini" || fail "[run and wait] did not run hello.exe /setup"
assert_exists "$group/Hello from CPack – Grüße.LNK"
assert_exists "$c_drive/users/Public/Desktop/Hello from CPack – Grüße.LNK"
assert_eq "$(reg_value "$key" DisplayName)" "HelloCPack (remove only)" "DisplayName"
assert_eq "$(reg_value "$key" DisplayVersion)" "1.2.0" "DisplayVersion"
assert_eq "$(reg_value "$key" Publisher)" "Bundlewrighter inc." "Publisher"
quiet=$(reg_value "$key" QuietUninstallString)
# Run as written: a quoted program and its arguments.
[[ "$quiet" =~ ^\"([^\"]+)\"\ (.*)$ ]] || fail "QuietUninstallString: $quiet"
uninstall_rc=0
(cd "$work" && timeout 120 wine "${BASH_REMATCH[1]}" ${BASH_REMATCH[2]}) >"$work/uninstall.log" 2>&1 ||
  uninstall_rc=$?
assert_eq "$uninstall_rc" 0 "exit code of $quiet"
# The folders the installation made go last, once the uninstaller has ended.
for _ in $(seq 40); do [ -e "$examples" ] || break; sleep 0.5; done
assert_absent "$examples"
assert_absent "$group"
assert_absent "$c_drive/users/Public/Desktop/Hello from CPack – Grüße.LNK"
if wine reg query "$key" >/dev/null 2>&1; then fail "registration still there"; fi

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
