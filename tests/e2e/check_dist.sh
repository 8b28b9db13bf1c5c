#!/usr/bin/env bash
# The package's text files as the host and a Japanese Windows read them:
# Shift-JIS, CR LF, and the batch file's directives where the host looks.
set -uo pipefail
dist=${1:?dist folder}
fail=0
die() { echo "FAIL: $*" >&2; fail=1; }

for f in q527.bat readme.txt; do
  path=$dist/$f
  [[ -s $path ]] || { die "$f missing or empty"; continue; }
  iconv -f CP932 -t UTF-8 "$path" >/dev/null 2>&1 || die "$f is not Shift-JIS"
  # Every LF is preceded by CR, no CR stands alone, the last line is ended.
  [[ $(tr -cd '\n' <"$path" | wc -c) -eq $(grep -c $'\r$' "$path") ]] || die "$f has a line end other than CR LF"
  [[ $(tr -cd '\r' <"$path" | wc -c) -eq $(tr -cd '\n' <"$path" | wc -c) ]] || die "$f has a CR without its LF"
  [[ $(tail -c 2 "$path" | od -An -c | tr -d ' ') == '\r\n' ]] || die "$f does not end with CR LF"
done

bat=$(iconv -f CP932 -t UTF-8 "$dist/q527.bat" 2>/dev/null | tr -d '\r')
mapfile -t lines <<<"$bat"
[[ ${lines[0]} == "REM q527_円→多角形変換" ]] || die "line 1 is not REM and the title: ${lines[0]}"
want=('#jww' '#cd' '#zz' '#zw' '#zc' '#h1' '#hc' '#e')
for i in "${!want[@]}"; do
  line=${lines[$((i + 1))]}
  [[ $line == "REM ${want[$i]}"* ]] || die "line $((i + 2)) is not REM ${want[$i]}: $line"
done
[[ ${lines[7]} =~ ^REM\ \#hc.*選択 ]] || die "the #hc line asks for no selection: ${lines[7]}"
[[ ${lines[9]} == q527.exe* ]] || die "line 10 does not start q527.exe: ${lines[9]}"
[[ ${#lines[@]} -eq 10 ]] || die "q527.bat has ${#lines[@]} lines, not 10"
# The host finds a directive only near the line's start: byte offsets, not characters.
while IFS= read -r raw; do
  raw=${raw%$'\r'}
  [[ $raw == *'#'* ]] || continue
  prefix=${raw%%#*}
  (( $(printf '%s' "$prefix" | LC_ALL=C wc -c) < 10 )) || die "directive starts after byte 10: $(iconv -f CP932 -t UTF-8 <<<"$raw")"
done <"$dist/q527.bat"

readme=$(iconv -f CP932 -t UTF-8 "$dist/readme.txt" 2>/dev/null)
for word in 外部変形 その他 q527.bat q527.dat ブロック アンインストール; do
  grep -qF "$word" <<<"$readme" || die "readme.txt does not mention $word"
done
exit $fail
