#!/usr/bin/env bash
# The 32-bit programs as the package ships them: large-address-aware 32-bit
# images (q527.exe and q527-plus.exe for the Windows GUI, q527-cli.exe for
# the console) that
# need only Windows' own DLLs, and the zip around them with every file of
# dist/.
set -uo pipefail
exe=${1:?q527.exe}
zip=${2:?q527.zip}
objdump=${3:?objdump}
cmake=${4:?cmake}
cli=${5:?q527-cli.exe}
dist=${6:?dist folder}
plus=${7:?q527-plus.exe}
fail=0
die() { echo "FAIL: $*" >&2; fail=1; }

check_image() {  # check_image EXE SUBSYSTEM
  local headers
  headers=$("$objdump" -p "$1") || { die "objdump cannot read $1"; return; }
  grep -q 'Magic.*010b.*PE32' <<<"$headers" || die "$1: not a 32-bit image"
  grep -q 'large address aware' <<<"$headers" || die "$1: not large address aware"
  grep -q "Subsystem.*($2)" <<<"$headers" || die "$1: not a $2 program"
  local system='^(KERNEL32|USER32|GDI32|IMM32|ADVAPI32|SHELL32|COMCTL32|COMDLG32|VERSION|msvcrt)\.dll$'
  local dll
  while read -r dll; do
    echo "$(basename "$1") imports $dll"
    grep -qiE "$system" <<<"$dll" || die "$1 needs a DLL Windows lacks: $dll"
  done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
}
check_image "$exe" 'Windows GUI'
check_image "$plus" 'Windows GUI'
check_image "$cli" 'Windows CUI'

[[ -f $zip ]] || { echo "FAIL: no $zip" >&2; exit 1; }
listing=$(cd "$(dirname "$zip")" && "$cmake" -E tar tf "$zip" | LC_ALL=C sort | tr '\n' ' ')
want="q527-cli.exe q527-plus.exe q527.bat q527.exe q527_clearance.bat q527_count.bat q527_deviation.bat q527_plus.bat q527_restore.bat readme.txt "
[[ $listing == "$want" ]] || die "zip holds: $listing"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
(cd "$tmp" && "$cmake" -E tar xf "$zip") || die "cannot unpack $zip"
cmp -s "$tmp/q527.exe" "$exe" || die "the zip's q527.exe is not the built one"
cmp -s "$tmp/q527-cli.exe" "$cli" || die "the zip's q527-cli.exe is not the built one"
cmp -s "$tmp/q527-plus.exe" "$plus" || die "the zip's q527-plus.exe is not the built one"
for f in q527.bat q527_plus.bat q527_deviation.bat q527_clearance.bat q527_count.bat readme.txt; do
  cmp -s "$tmp/$f" "$dist/$f" || die "the zip's $f is not the one in dist/"
done
exit $fail
