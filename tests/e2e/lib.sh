# Shared by the end-to-end tests: the Wine prefix, building and starting an
# installer, driving it, screenshots and checks. Source it first thing.
set -uo pipefail
: "${BW_BIN:?}" "${BW_E2E_WORK:?}" "${BW_SHOTS:?}" "${BW_FIXTURES:?}"
if [ -z "${DISPLAY:-}" ]; then
  echo "no DISPLAY: skipped"
  exit 77
fi

test_name=$(basename "$0" .sh)
test_name=${test_name#test_}
work=$BW_E2E_WORK/$test_name
rm -rf "$work" && mkdir -p "$work" "$BW_SHOTS"
# One prefix for the whole suite (the tests run one at a time: ctest's
# RESOURCE_LOCK); each test uses its own titles and folders in it.
export WINEPREFIX=$BW_E2E_WORK/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
c_drive=$WINEPREFIX/drive_c
setup_pid=""

fail() {
  echo "FAIL ($test_name): $*" >&2
  drive list >&2 2>/dev/null || true
  exit 1
}

cleanup() {
  # Whatever the test left running in the suite's prefix.
  wineserver -k >/dev/null 2>&1 || true
}
trap cleanup EXIT

prepare_prefix() {
  [ -f "$WINEPREFIX/.e2e-ready-2" ] && return 0
  rm -rf "$WINEPREFIX" && mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  # A virtual desktop: Wine draws the window frames itself, so screenshots
  # show captions and close boxes, and focus behaves as on Windows.
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f >/dev/null 2>&1
  wine_cjk_font_link
  wineserver -w
  touch "$WINEPREFIX/.e2e-ready-2"
}

# Windows links its dialog and title fonts to fonts with Chinese, Japanese and
# Korean glyphs; Wine's prefix gets the same links to the Debian font that
# scripts/bootstrap installs, so that screenshots show characters.
wine_cjk_font_link() {
  local face
  for face in Tahoma "Microsoft Sans Serif" Arial; do
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
      /v "$face" /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
  done
}

# A Unix path as the Windows programs see it.
winpath() {
  local p=$1
  echo "Z:${p//\//\\}"
}

drive() { wine "$BW_BIN/bwdrive.exe" "$@"; }

bwpack() {
  if [ -n "${BW_HOST_BWPACK:-}" ]; then "$BW_HOST_BWPACK" "$@"; else wine "$BW_BIN/bwpack.exe" "$@"; fi
}

# bwpack_path PATH: a path as the packer in use reads it.
bwpack_path() { if [ -n "${BW_HOST_BWPACK:-}" ]; then echo "$1"; else winpath "$1"; fi; }

# build_setup SCRIPT SOURCE_DIR OUT: an installer from a script and a folder.
build_setup() {
  local args=(build "$1" --source "$2" --stub "$BW_BIN/setup-stub.exe"
              --uninstaller "$BW_BIN/uninstall.exe" -o "$3")
  if [ -z "${BW_HOST_BWPACK:-}" ]; then
    args=(build "$(winpath "$1")" --source "$(winpath "$2")"
          --stub "$(winpath "$BW_BIN/setup-stub.exe")"
          --uninstaller "$(winpath "$BW_BIN/uninstall.exe")" -o "$(winpath "$3")")
  fi
  bwpack "${args[@]}" >"$work/bwpack.log" 2>&1 || { cat "$work/bwpack.log"; fail "bwpack build $1"; }
}

# start_setup EXE: runs the installer in the background.
start_setup() {
  (cd "$work" && exec timeout 240 wine "$1") >"$work/setup.log" 2>&1 &
  setup_pid=$!
}

# finish_setup: waits for the installer; its exit code goes to setup_rc.
# (Not in a command substitution: the installer is this shell's child.)
finish_setup() {
  setup_rc=0
  wait "$setup_pid" || setup_rc=$?
  setup_pid=""
}

# shot NAME: the whole screen, after the pending paints.
shot() {
  sleep 0.7
  import -window root "$BW_SHOTS/$1.png" 2>/dev/null || echo "screenshot $1 failed" >&2
}

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

# u32 FILE OFFSET: the little-endian 32-bit number at OFFSET.
u32() { od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '; }

# package_start EXE: the offset in the trailer of an unsigned installer.
package_start() { u32 "$1" $(($(stat -c %s "$1") - 4)); }

# wait_self_removal: an uninstaller's own file goes last, moved aside and
# deleted by a helper once the uninstaller has ended; the test's clean-up
# must not end that helper half-way.
wait_self_removal() {
  for _ in $(seq 40); do
    ls -d "$c_drive"/windows/temp/bwu-* >/dev/null 2>&1 || return 0
    sleep 0.5
  done
}

assert_eq() { [ "$1" == "$2" ] || fail "$3: expected '$2', got '$1'"; }
assert_exists() { [ -e "$1" ] || fail "missing $1"; }
assert_absent() { [ ! -e "$1" ] || fail "should not exist: $1"; }

prepare_prefix

# side_image DIR: a 150 x 260 side picture for [image], made here so that no
# binary sits in the fixtures.
side_image() {
  convert -size 150x260 gradient:'#1b2a4a-#4d7fbf' -fill '#f0e0b0' -draw 'rectangle 45,150 105,200' \
    BMP3:"$1/side.bmp" || fail "cannot make side.bmp"
}

# fixture NAME: a copy of the fixture folder in the test's work folder.
fixture() {
  cp -r "$BW_FIXTURES/$1" "$work/src" || fail "no fixture $1"
}

# hostpath 'C:\X\Y': the same file seen from this side.
hostpath() {
  local p=${1//\\//}
  echo "$c_drive/${p#C:/}"
}

# reg_value KEY NAME: a REG_SZ value, read by Wine's reg tool.
reg_value() {
  wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *$2 *REG_SZ *//p"
}

# The 13-line banner at the top of every uninstall.log.
log_banner() {
  local hashes='#######################################################'
  local line
  printf '%s\r\n' "$hashes"
  for line in "Bundlewrighter Uninstall Log File" "Bundlewrighter inc." \
              "https://bundlewrighter.example/"; do
    printf '# %-52s#\r\n' "$line"
  done
  printf '%s\r\n' "$hashes"
  for line in "This is an automatically generated file." "" \
              "IT IS VERY IMPORTANT THAT THIS FILE NOT BE EDITED" "OR OTHERWISE MODIFIED." "" \
              "Editing this file could cause the uninstall process" "to malfunction or fail."; do
    printf '# %-52s#\r\n' "$line"
  done
  printf '%s\r\n' "$hashes"
}
