#!/usr/bin/env bash
# Fails when a program imports an ANSI ("...A") function: every text of ours
# goes to the system through the wide functions. OBJDUMP PROGRAM... ; a
# PROGRAM=NAME,NAME argument allows those imports, which the C++ runtime
# linked into it makes with no text of ours.
set -uo pipefail
objdump=$1
shift
fail=0
for arg in "$@"; do
  exe=${arg%%=*}
  allowed=","
  [ "$arg" != "$exe" ] && allowed=",${arg#*=},"
  [ -f "$exe" ] || { echo "missing: $exe"; fail=1; continue; }
  # Import lines: "<vma> <hint> <name>" under "DLL Name: <dll>".
  imports=$("$objdump" -p "$exe" |
    awk '/DLL Name:/ { dll = $3 } /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ { print dll ": " $3 }')
  [ -n "$imports" ] || { echo "no imports read from $exe"; fail=1; continue; }
  while read -r line; do
    name=${line##*: }
    [[ $name =~ [a-z0-9_]A$ ]] || continue
    [[ $allowed == *",$name,"* ]] && continue
    echo "${exe##*/} imports the ANSI function $line"
    fail=1
  done <<<"$imports"
done
[ $fail -eq 0 ] && echo "no ANSI imports"
exit $fail
