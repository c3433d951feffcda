#!/usr/bin/env bash
# Builds, lists, verifies and extracts packages with bwpack, and checks its
# exit codes and that a failed build leaves no file behind.
set -u
bwpack=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# expect CODE CMD...: runs CMD, keeps its output in out.txt/err.txt
expect() {
  local want=$1; shift
  "$@" >out.txt 2>err.txt
  local got=$?
  [ "$got" -eq "$want" ] || fail "exit $got (wanted $want): $* :: $(head -3 err.txt)"
}

mkdir -p app/Data app/lic
printf '[title]\r\nHello\r\n\r\n[files]\r\ndata\\hello.exe;hello.exe\r\ndata\\README.txt;readme.txt\r\nDATA\\hello.exe;copy.exe\r\nuninstall.exe;uninstall.exe\r\n\r\n[license]\r\nlic\\About.txt\r\n\r\n[image]\r\nside.bmp\r\n' >app/install.inf
head -c 200000 /dev/urandom >app/Data/hello.exe
seq 1 20000 >app/Data/readme.txt           # found through case-insensitive matching
echo "licence" >app/lic/About.txt
echo "bitmap" >app/side.bmp
echo "uninstaller" >un.exe
echo "MZ stub" >stub.exe

# A build without an uninstaller fails, names the entry and leaves nothing.
expect 1 env BWPACK_DEFAULT_UNINSTALLER= "$bwpack" build app/install.inf -o out.exe
grep -q '"uninstall.exe"' err.txt || fail "missing uninstaller not named: $(cat err.txt)"
[ -z "$(ls | grep -v -e '^app$' -e '\.exe$' -e '\.txt$')" ] || fail "leftovers: $(ls)"
[ ! -e out.exe ] || fail "output left behind"

expect 0 "$bwpack" build app/install.inf --uninstaller un.exe --stub stub.exe -o setup.exe
expect 0 "$bwpack" list setup.exe
printf 'install.inf\ndata\\hello.exe\ndata\\README.txt\nuninstall.exe\nlic\\About.txt\nside.bmp\n' >want.txt
cut -f1 out.txt | diff - want.txt >/dev/null || fail "entries: $(cut -f1 out.txt | tr '\n' ' ')"
awk -F'\t' 'NF != 3 { exit 1 }' out.txt || fail "list is not name<TAB>unpacked<TAB>packed"
grep -q "^data\\\\hello.exe	200000	" out.txt || fail "unpacked size of hello.exe"
expect 0 "$bwpack" verify setup.exe
grep -qx "OK 6 entries" out.txt || fail "verify said: $(cat out.txt)"
[ "$(head -c 8 setup.exe)" = "MZ stub" ] || fail "stub not first"
# The file ends on a multiple of 8 bytes (so that a signer adds no padding):
# zeros after the stub, and the trailer points behind them, at the first
# header, whose stream starts with 0x78 0xDA.
[ $(($(stat -c %s setup.exe) % 8)) -eq 0 ] || fail "size not a multiple of 8"
start=$(od -An -tu4 -j $(($(stat -c %s setup.exe) - 4)) -N4 setup.exe | tr -d ' ')
[ "$start" -ge 8 ] && [ "$start" -lt 16 ] || fail "package start $start"
[ -z "$(od -An -tx1 -j 8 -N $((start - 8)) setup.exe | tr -d ' 0\n')" ] || fail "padding not zeros"
[ "$(od -An -tx1 -j $((start + 268)) -N2 setup.exe | tr -d ' ')" = "78da" ] || fail "stream header"

expect 0 "$bwpack" build app/install.inf --uninstaller un.exe -o plain.bwp
expect 1 "$bwpack" list plain.bwp            # no trailer without --raw
expect 0 "$bwpack" verify plain.bwp --raw
expect 0 "$bwpack" extract plain.bwp "DATA\\HELLO.EXE" -o hello.out --raw
cmp -s hello.out app/Data/hello.exe || fail "extracted hello.exe differs"
expect 0 "$bwpack" extract setup.exe --all -C all
cmp -s all/data/README.txt app/Data/readme.txt || fail "extract --all readme"
cmp -s all/install.inf app/install.inf || fail "extract --all install.inf"
cmp -s all/uninstall.exe un.exe || fail "extract --all uninstall.exe"
expect 1 "$bwpack" extract setup.exe nothing.txt -o x.out
[ ! -e x.out ] || fail "extract of a missing entry left a file"

# A damaged stream: verify names the entry, extract leaves no output.
cp setup.exe bad.exe
size=$(stat -c %s bad.exe)
printf '\xff\xff\xff\xff' | dd of=bad.exe bs=1 seek=$((start + 268 + 300 + 268 + 50000)) conv=notrunc status=none
expect 1 "$bwpack" verify bad.exe
grep -q 'data\\hello.exe' err.txt || fail "damaged entry not named: $(cat err.txt)"
expect 1 "$bwpack" extract bad.exe "data\\hello.exe" -o bad.out
[ ! -e bad.out ] && [ ! -e bad.out.bwpack-tmp ] || fail "damaged extract left output"
[ "$(stat -c %s bad.exe)" = "$size" ] || fail "test set-up"

# --sign-command runs on a copy of uninstall.exe, then on the installer, with
# {} quoted for the shell.
mkdir "odd 'dir'"
expect 0 "$bwpack" build app/install.inf --uninstaller un.exe --stub stub.exe \
  --sign-command 'echo {} >>signed.log; case {} in *uninstall.exe) printf S >>{};; esac' \
  -o "odd 'dir'/setup.exe"
sed -n 1p signed.log | grep -q "odd 'dir'/setup.exe.*uninstall.exe$" || fail "signed first: $(cat signed.log)"
sed -n 2p signed.log | grep -q "odd 'dir'/setup.exe.*\.exe$" || fail "signed second: $(cat signed.log)"
[ "$(wc -l <signed.log)" = 2 ] || fail "signed $(wc -l <signed.log) files"
expect 0 "$bwpack" extract "odd 'dir'/setup.exe" uninstall.exe -o un.out
[ "$(cat un.out)" = $'uninstaller\nS' ] || fail "uninstaller not signed before packing: $(cat un.out)"
[ "$(ls "odd 'dir'")" = setup.exe ] || fail "signing left files: $(ls "odd 'dir'")"
# The second run fails, or the signer breaks the package: exit 1, nothing left.
for cmd in 'case {} in *uninstall.exe) ;; *) exit 3;; esac' 'printf S >>{}'; do
  expect 1 "$bwpack" build app/install.inf --uninstaller un.exe --stub stub.exe \
    --sign-command "$cmd" -o signed.exe
  grep -qE 'cannot sign the installer|signed installer does not verify' err.txt || fail "$cmd: $(cat err.txt)"
  [ -z "$(ls | grep signed.exe)" ] || fail "$cmd: failed signing left $(ls | grep signed.exe)"
done
expect 2 "$bwpack" build app/install.inf --uninstaller un.exe --stub stub.exe \
  --sign-command 'true' -o signed.exe
expect 2 "$bwpack" build app/install.inf --uninstaller un.exe --sign-command 'true {}' -o signed.exe

# An entry whose name no longer matches the script: verify names it.
LC_ALL=C perl -0777 -pe 's/side\.bmp/side.bmq/' setup.exe >renamed.exe
expect 1 "$bwpack" verify renamed.exe
grep -q '"side.bmp", named by install.inf, is missing' err.txt || fail "renamed entry: $(cat err.txt)"

# Scripts that cannot be packed.
printf '[title]\r\nx\r\n' >app/nofiles.inf
expect 1 "$bwpack" build app/nofiles.inf -o o.bwp
grep -q 'files' err.txt || fail "no [files] message: $(cat err.txt)"
printf '[files]\r\nmissing.dll;m.dll\r\n' >app/missing.inf
expect 1 "$bwpack" build app/missing.inf -o o.bwp
grep -q '"missing.dll"' err.txt || fail "missing source not named: $(cat err.txt)"
expect 1 "$bwpack" build app/absent.inf -o o.bwp
# Targets must stay inside the installation folder; the message names the line.
for target in '..\\evil.dll' 'C:\\Windows\\evil.dll' '\\evil.dll' 'sub\\..\\..\\evil.dll'; do
  printf '[files]\r\ndata\\hello.exe;%s\r\n' "$target" >app/escape.inf
  expect 1 "$bwpack" build app/escape.inf -o o.bwp
  grep -qF "[files] line \"data\\hello.exe;$target\"" err.txt || fail "bad target not named: $(cat err.txt)"
done
printf '[files]\r\ndata\\hello.exe;a.exe\r\n\r\n[directories]\r\nlogs\r\n..;up\r\n' >app/escape.inf
expect 1 "$bwpack" build app/escape.inf -o o.bwp
grep -qF '[directories] line "..;up"' err.txt || fail "bad folder not named: $(cat err.txt)"
[ ! -e o.bwp ] && [ -z "$(ls | grep bwpack-tmp)" ] || fail "failed builds left files"

# Names in any language: UTF-8 source names found ignoring case (Cyrillic
# here), listed in UTF-8. A name beyond the header's 255 bytes is refused by
# name.
mkdir -p intl/Данные
echo "notes" >intl/Данные/Ноты.txt
printf '[files]\r\nданные\\ноты.txt;x.txt\r\n' >intl/install.inf
expect 0 "$bwpack" build intl/install.inf --uninstaller un.exe -o intl.pkg
expect 0 "$bwpack" list intl.pkg --raw
printf 'install.inf\nданные\\ноты.txt\n' >want.txt
cut -f1 out.txt | diff - want.txt >/dev/null || fail "UTF-8 entries: $(cut -f1 out.txt | tr '\n' ' ')"
long=$(printf '日%.0s' $(seq 86))  # 86 characters, 258 bytes
printf '[files]\r\n%s;x.txt\r\n' "$long" >intl/install.inf
expect 1 "$bwpack" build intl/install.inf --uninstaller un.exe -o intl.pkg
grep -q "\"$long\": name longer than 255 bytes" err.txt || fail "long name: $(cat err.txt)"

# Arguments.
expect 2 "$bwpack"
expect 2 "$bwpack" frobnicate
expect 2 "$bwpack" build app/install.inf
expect 2 "$bwpack" list
expect 2 "$bwpack" list setup.exe --bogus
expect 2 "$bwpack" list setup.exe --stub x
expect 2 "$bwpack" extract setup.exe --all
for cmd in "" build list extract verify; do
  expect 0 "$bwpack" $cmd --help
  grep -q "Usage" out.txt || fail "no usage for $cmd --help"
done

[ $failures -eq 0 ] && echo "bwpack CLI: all checks passed"
exit $((failures > 0))
