#!/usr/bin/env bash
# The package's text files as the host and a Japanese Windows read them:
# Shift-JIS, CR LF, and the batch file's directives where the host looks.
set -uo pipefail
dist=${1:?dist folder}
fail=0
die() { echo "FAIL: $*" >&2; fail=1; }

launchers=(q527_deviation.bat q527_clearance.bat q527_count.bat q527_restore.bat)
for f in q527.bat q527_plus.bat "${launchers[@]}" readme.txt; do
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
# The detailed dialog's launcher: its own title, the directives of q527.bat,
# then q527-plus.exe alone.
mapfile -t plus < <(iconv -f CP932 -t UTF-8 "$dist/q527_plus.bat" 2>/dev/null | tr -d '\r')
[[ ${plus[0]} == 'REM q527_円→多角形変換（詳細・プレビュー）' ]] || die "q527_plus.bat: line 1 is not its title: ${plus[0]}"
for i in 1 2 3 4 5 6 7 8; do
  [[ ${plus[$i]} == "${lines[$i]}" ]] || die "q527_plus.bat: line $((i + 1)) is not that of q527.bat: ${plus[$i]}"
done
[[ ${plus[9]} == q527-plus.exe && ${#plus[@]} -eq 10 ]] || die "q527_plus.bat does not end in q527-plus.exe alone"
# The host finds a directive only near the line's start: byte offsets, not characters.
for f in q527.bat q527_plus.bat "${launchers[@]}"; do
  while IFS= read -r raw; do
    raw=${raw%$'\r'}
    [[ $raw == *'#'* ]] || continue
    prefix=${raw%%#*}
    (( $(printf '%s' "$prefix" | LC_ALL=C wc -c) < 10 )) || die "$f: directive starts after byte 10: $(iconv -f CP932 -t UTF-8 <<<"$raw")"
  done <"$dist/$f"
done

# The launchers: a Japanese name of their own for the host's list, the
# directives of q527.bat, then one run of q527-cli.exe on the exchange file
# and a pause that keeps its message on the screen when it fails.
declare -A titles=(
  [q527_deviation.bat]='REM q527_円→多角形変換（誤差で分割）'
  [q527_clearance.bat]='REM q527_円→外接多角形変換（穴・切り抜き用）'
  [q527_count.bat]='REM q527_円→多角形変換（分割数固定）'
  [q527_restore.bat]='REM q527_多角形→円・円弧（復元）')
declare -A options=(
  [q527_deviation.bat]='^--max-deviation [0-9.]+$'
  [q527_clearance.bat]='^--fit circumscribed --max-deviation [0-9.]+$'
  [q527_count.bat]='^-n [0-9]+$'
  [q527_restore.bat]='^--restore --max-deviation [0-9.]+$')
for f in "${launchers[@]}"; do
  mapfile -t got < <(iconv -f CP932 -t UTF-8 "$dist/$f" 2>/dev/null | tr -d '\r')
  [[ ${got[0]} == "${titles[$f]}" ]] || die "$f: line 1 is not its title: ${got[0]}"
  for i in 1 2 3 4 5 6 7 8; do
    # The way back asks the host for other figures: its own #hc prompt.
    if [[ $f == q527_restore.bat && $i -eq 7 ]]; then
      [[ ${got[$i]} =~ ^REM\ \#hc.*線分.*選択 ]] || die "$f: the #hc line asks for no segments: ${got[$i]}"
      continue
    fi
    [[ ${got[$i]} == "${lines[$i]}" ]] || die "$f: line $((i + 1)) is not that of q527.bat: ${got[$i]}"
  done
  runs=0
  for i in "${!got[@]}"; do
    line=${got[$i]}
    [[ $line == REM* ]] && { (( i > 8 )) && [[ $line == *'#'* ]] && die "$f: a # after #e: $line"; continue; }
    (( i > 8 )) || die "$f: a command before #e: $line"
    case $line in
      'q527-cli.exe '*' JWC_TEMP.TXT')
        runs=$((runs + 1))
        args=${line#q527-cli.exe }
        args=${args% JWC_TEMP.TXT}
        [[ $args =~ ${options[$f]} ]] || die "$f: q527-cli.exe options: $args"
        [[ ${got[$((i + 1))]:-} == 'if errorlevel 1 pause' ]] || die "$f: no pause after q527-cli.exe"
        ;;
      'if errorlevel 1 pause') ;;
      *) die "$f: a line that is neither REM nor the run: $line" ;;
    esac
  done
  [[ $runs -eq 1 ]] || die "$f: runs q527-cli.exe $runs times"
  [[ ${got[-1]} == 'if errorlevel 1 pause' ]] || die "$f: the last line is not the pause"
done

readme=$(iconv -f CP932 -t UTF-8 "$dist/readme.txt" 2>/dev/null)
for word in 外部変形 その他 q527.bat q527.dat ブロック アンインストール q527-cli.exe "${launchers[@]}" \
    q527-plus.exe q527_plus.bat q527-plus.dat プレビュー \
    メモ帳 --max-deviation --fit circumscribed -n -k --counts --cancel --settings -o --restore \
    --min-segments 復元; do
  grep -qF -- "$word" <<<"$readme" || die "readme.txt does not mention $word"
done
exit $fail
