#!/usr/bin/env bash
# Builds setup-stub.exe, uninstall.exe, bwpack.exe and the example application
# in two fresh folders, packs examples/hello with each build's own bwpack.exe,
# and compares every result byte for byte. No compiler cache: a cache could
# hand both builds the same objects and hide a difference.
set -uo pipefail
: "${BW_SOURCE:?}" "${BW_REPRO_WORK:?}"
source "$BW_SOURCE/scripts/lib.sh"
unset CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER
export CCACHE_DISABLE=1
# The builds' time is not what is compared.
unset SOURCE_DATE_EPOCH

fail() {
  echo "FAIL (repro): $*" >&2
  exit 1
}

rm -rf "$BW_REPRO_WORK" && mkdir -p "$BW_REPRO_WORK"
for b in a b; do
  dir=$BW_REPRO_WORK/$b
  cmake -S "$BW_SOURCE" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$BW_SOURCE/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DBUILD_TESTING=OFF >"$BW_REPRO_WORK/$b.log" 2>&1 &&
    cmake --build "$dir" -j"$jobs" --target setup-stub uninstall bwpack hello_package \
      >>"$BW_REPRO_WORK/$b.log" 2>&1 || { tail -30 "$BW_REPRO_WORK/$b.log"; fail "build $b"; }
  # Packed by this build's own packer, from this build's files.
  (cd "$dir" && "$BW_SOURCE/cmake/wine-run" bin/bwpack.exe build "$BW_SOURCE/examples/hello/install.inf" \
    --source examples/hello/package --stub bin/setup-stub.exe -o setup.exe) \
    >>"$BW_REPRO_WORK/$b.log" 2>&1 || { tail -30 "$BW_REPRO_WORK/$b.log"; fail "bwpack build $b"; }
done

status=0
for f in bin/setup-stub.exe bin/uninstall.exe bin/bwpack.exe examples/hello/package/hello.exe setup.exe; do
  if cmp -s "$BW_REPRO_WORK/a/$f" "$BW_REPRO_WORK/b/$f"; then
    echo "same: $f"
  else
    echo "FAIL (repro): $f differs between two builds" >&2
    status=1
  fi
  # No build folder may show through (paths, __FILE__ in messages).
  if grep -q -a -e "$BW_REPRO_WORK" -e "$BW_SOURCE/" "$BW_REPRO_WORK/a/$f"; then
    echo "FAIL (repro): $f names a build or source path" >&2
    status=1
  fi
done
exit $status
