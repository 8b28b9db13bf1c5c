#!/usr/bin/env bash
# The 32-bit program as the package ships it: a large-address-aware 32-bit
# GUI image that needs only Windows' own DLLs, and the zip around it.
set -uo pipefail
exe=${1:?q527.exe}
zip=${2:?q527.zip}
objdump=${3:?objdump}
cmake=${4:?cmake}
fail=0
die() { echo "FAIL: $*" >&2; fail=1; }

headers=$("$objdump" -p "$exe") || { echo "FAIL: objdump cannot read $exe" >&2; exit 1; }
grep -q 'Magic.*010b.*PE32' <<<"$headers" || die "not a 32-bit image"
grep -q 'large address aware' <<<"$headers" || die "not large address aware"
grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" || die "not a GUI program"
system='^(KERNEL32|USER32|GDI32|IMM32|ADVAPI32|SHELL32|COMCTL32|COMDLG32|VERSION|msvcrt)\.dll$'
while read -r dll; do
  echo "imports $dll"
  grep -qiE "$system" <<<"$dll" || die "needs a DLL Windows lacks: $dll"
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")

[[ -f $zip ]] || { echo "FAIL: no $zip" >&2; exit 1; }
listing=$(cd "$(dirname "$zip")" && "$cmake" -E tar tf "$zip" | sort | tr '\n' ' ')
[[ $listing == "q527.bat q527.exe readme.txt " ]] || die "zip holds: $listing"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
(cd "$tmp" && "$cmake" -E tar xf "$zip") || die "cannot unpack $zip"
cmp -s "$tmp/q527.exe" "$exe" || die "the zip's q527.exe is not the built one"
exit $fail
