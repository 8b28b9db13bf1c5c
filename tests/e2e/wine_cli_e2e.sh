#!/usr/bin/env bash
# End-to-end tests of q527-cli.exe and of the package's launchers under Wine.
#   wine_cli_e2e.sh CASE CLI [GEN]   one case; CLI: the native q527-cli,
#                                    GEN: q527-gen, for generated drawings
# Settings come from the environment that CTest sets (the q527_wine fixture
# of wine_e2e.sh has made the prefix and started the wineserver):
#   Q527_CLI_EXE    the q527-cli.exe that runs under Wine
#   Q527_INSPECT    q527-inspect.exe of the same build (it holds files locked)
#   Q527_WINE       the Wine loader for those executables
#   Q527_WINESERVER the matching wineserver
#   Q527_STATE      folder of the prefix and the work folders
# A case that needs an option q527-cli does not have yet exits 77 (skipped).
# Every Wine process writes to files, never to CTest's pipes.
set -uo pipefail

case_name=${1:?case}
cli=${2:?native q527-cli}
gen=${3:-}
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# shellcheck source=tests/e2e/wine_common.sh
source "$source_dir/tests/e2e/wine_common.sh"
unset DISPLAY

work=$state/work/cli_$case_name
unicode_name='ソフト_ü_€_😀'

skip() {
  echo "SKIP: $*"
  exit 77
}

kill_leftover() {
  if [[ -n $locker ]] && kill -0 "$locker" 2>/dev/null; then kill "$locker" 2>/dev/null; fi
}
trap kill_leftover EXIT

# q527-cli.exe under Wine, in the current folder; stdout and stderr to files.
run_exe() {  # run_exe OUT ERR ARGS...
  local out=$1 err=$2
  shift 2
  "$WINELOADER" "$Q527_CLI_EXE" "$@" >"$out" 2>"$err" </dev/null
}

# A folder named with "ソ" (0x83 0x5C in Shift-JIS) and characters no
# Shift-JIS has, holding q527-cli.exe, the launchers and an exchange file.
prepare_app() {
  rm -rf "$work"
  app=$work/$unicode_name
  mkdir -p "$app"
  cp "$Q527_CLI_EXE" "$app/q527-cli.exe"
  cp "$source_dir"/dist/q527_*.bat "$app/"
  write_e2e_drawing "$app/JWC_TEMP.TXT"
  cp "$app/JWC_TEMP.TXT" "$work/input.txt"
}

# The options of the launcher's q527-cli.exe line, without the file name.
launcher_options() {  # launcher_options BAT
  local line
  line=$(iconv -f CP932 -t UTF-8 "$1" | tr -d '\r' | grep '^q527-cli\.exe ') || die "$1 runs no q527-cli.exe"
  line=${line#q527-cli.exe }
  [[ $line == *' JWC_TEMP.TXT' ]] || die "$1 does not name JWC_TEMP.TXT last: $line"
  echo "${line% JWC_TEMP.TXT}"
}

# Skips the case when the native driver's help lists an option not yet.
need_options() {  # need_options OPTION...
  local help opt
  help=$("$cli" --help)
  for opt in "$@"; do
    grep -qe "$opt" <<<"$help" || skip "q527-cli has no $opt option yet"
  done
}

# ---------------------------------------------------------------- cases

# The inputs of the byte comparisons: the e2e drawing, the sample, a drawing
# of every convertible kind with uneven numbers, and the q527-gen drawings
# where the generator is built.
make_inputs() {
  inputs=(e2e.txt sample.txt kinds.txt)
  write_e2e_drawing e2e.txt
  cp "$source_dir"/samples/JWC_TEMP.TXT sample.txt
  awk 'BEGIN { printf "hk 0\r\nlg1\r\nly2\r\nlc3\r\nlt1\r\nlw0\r\n"
               for (i = 0; i < 400; i++) {
                 x = i * 37.125 - 5000.3; y = (i % 17) * 91.7 - 300.03; r = 0.5 + i % 23 * 7.31
                 printf "ci %.6f %.6f %.6f\r\n", x, y, r
                 printf "ci %.6f %.6f %.6f %.4f %.4f\r\n", x, y, r, i % 360, (i * 7) % 360
                 printf "ci %.6f %.6f %.6f %.4f %.4f %.5f %.3f\r\n", x, y, r, i % 90, 270, 0.2 + i % 9 * 0.3, i % 180
                 printf "se %.6f %.6f %.6f 1 0 0 6.28318530717959 100\r\n", x, y + 5000, r
               } }' >kinds.txt
  if [[ -n $gen ]]; then
    "$gen" --seed 2 --circles 2000 --arcs 1000 --solids 200 -o gen-kinds.txt >/dev/null || die "q527-gen"
    "$gen" --seed 1 --figures 20000 -o gen-figures.txt >/dev/null || die "q527-gen"
    "$gen" --seed 1 --figures 20000 --malformed -o gen-malformed.txt >/dev/null || die "q527-gen"
    inputs+=(gen-kinds.txt gen-figures.txt gen-malformed.txt)
  fi
}

# Runs each argument set on each input with q527-cli.exe and q527-cli and
# compares the result files and the exit statuses.
compare_runs() {  # compare_runs ARGS...
  local in args differ=0
  for in in "${inputs[@]}"; do
    for args in "$@"; do
      # shellcheck disable=SC2086
      "$cli" -q $args -o native.txt "$in" >/dev/null 2>&1
      local want=$?
      # shellcheck disable=SC2086
      run_exe exe.out exe.err -q $args -o exe.txt "$in"
      local got=$?
      [[ $got -eq $want ]] || die "$in $args: exit status $got, native $want: $(cat exe.err)"
      if ! cmp -s native.txt exe.txt; then
        echo "differs: $in $args: $(cmp native.txt exe.txt 2>&1)" >&2
        diff <(tr -d '\r' <native.txt) <(tr -d '\r' <exe.txt) | head -6 >&2
        differ=1
      fi
      rm -f native.txt exe.txt
    done
    echo "compared: $in"
  done
  [[ $differ -eq 0 ]] || die "q527-cli.exe wrote other bytes than q527-cli"
}

# Runs that convert nothing give the native bytes: the files written back,
# standard output (the counts line, the result with -o -), the messages
# into a file, the exit statuses.
case_bytes_kept() {
  rm -rf "$work"
  mkdir -p "$work"
  cd "$work" || die "no $work"
  make_inputs
  compare_runs '-k none' '--cancel'
  local in
  for in in "${inputs[@]}"; do
    "$cli" --counts "$in" >native.out 2>/dev/null
    run_exe exe.out exe.err --counts "$in"
    cmp -s native.out exe.out || die "$in --counts: $(cat exe.out), native $(cat native.out)"
    "$cli" -q -k none -o - "$in" >native.out 2>/dev/null
    run_exe exe.out exe.err -q -k none -o - "$in"
    cmp -s native.out exe.out || die "$in -k none -o -: standard output differs"
  done
  "$cli" -n 5 missing.txt >native.out 2>native.err
  run_exe exe.out exe.err -n 5 missing.txt
  cmp -s native.err exe.err || die "messages differ: $(cat exe.err) / $(cat native.err)"
  "$cli" -k none -o out.txt e2e.txt >native.out 2>native.err
  run_exe exe.out exe.err -k none -o out.txt e2e.txt
  cmp -s native.err exe.err || die "summaries differ: $(cat exe.err) / $(cat native.err)"
  "$cli" --bogus >native.out 2>native.err
  run_exe exe.out exe.err --bogus
  [[ $? -eq 2 ]] || die "a usage error does not exit 2"
  cmp -s native.err exe.err || die "the usage text differs"
}

# Conversions give the native bytes too. (A difference in the last digit of
# a coordinate comes from the arithmetic of the build, x87 or the C
# runtime's sine and cosine, not from the driver.)
case_bytes_converted() {
  rm -rf "$work"
  mkdir -p "$work"
  cd "$work" || die "no $work"
  make_inputs
  compare_runs '' '-n 7' '-n 999 -k arc' '-n 3 -k circle,solid'
  # Planned counts: each figure's count comes from its measured deviation,
  # and a flat ellipse's search may end on another count for a last bit.
  compare_runs '--max-deviation 0.5' '--max-deviation 2 --fit circumscribed' \
    '--max-deviation 1 --fit mid' '--max-length 3 --max-angle 20 --fit mid'
}

# The way back gives the native bytes: on the inputs as polygons of the
# dialog's rule and of a planned fit, and on the inputs as they are.
case_bytes_restored() {
  need_options --restore
  rm -rf "$work"
  mkdir -p "$work"
  cd "$work" || die "no $work"
  make_inputs
  local in polygons=()
  # Polygons of the hand-made inputs and of the generated kinds: the larger
  # generated drawings hold segments of their own already.
  for in in e2e.txt sample.txt kinds.txt ${gen:+gen-kinds.txt}; do
    "$cli" -q -n 24 -o "poly24-$in" "$in" || die "q527-cli -n 24 $in"
    "$cli" -q --max-deviation 0.05 --fit mid -o "polymid-$in" "$in" || die "q527-cli --fit mid $in"
    polygons+=("poly24-$in" "polymid-$in")
  done
  # Every polygon drawing, and the malformed one (chains of its own among
  # its junk), with the default options; the other options on two of them.
  inputs=("${polygons[@]}" ${gen:+gen-malformed.txt})
  compare_runs '--restore'
  inputs=(poly24-kinds.txt polymid-sample.txt)
  compare_runs '--restore --max-deviation 1e-6 --min-segments 12' \
    '--restore -k circle,solid --max-deviation 0.5'
  local args differ=0
  for in in poly24-sample.txt polymid-kinds.txt; do
    "$cli" -q --restore --svg native.svg -o native.txt "$in" >/dev/null 2>&1
    run_exe exe.out exe.err -q --restore --svg exe.svg -o exe.txt "$in"
    cmp -s native.svg exe.svg || { echo "differs: $in --restore --svg" >&2; differ=1; }
  done
  [[ $differ -eq 0 ]] || die "q527-cli.exe drew another restore than q527-cli"
}

# The --svg picture is the same bytes from q527-cli.exe as from the native
# driver, the exchange file beside it too.
case_svg_picture() {
  need_options --svg
  rm -rf "$work"
  mkdir -p "$work"
  cd "$work" || die "no $work"
  make_inputs
  local in args differ=0
  for in in "${inputs[@]}"; do
    for args in '-n 7' '--max-deviation 0.05' '--max-angle 10 --fit mid'; do
      # shellcheck disable=SC2086
      "$cli" -q $args --svg native.svg -o native.txt "$in" >/dev/null 2>&1
      local want=$?
      # shellcheck disable=SC2086
      run_exe exe.out exe.err -q $args --svg exe.svg -o exe.txt "$in"
      local got=$?
      [[ $got -eq $want ]] || die "$in $args --svg: exit status $got, native $want: $(cat exe.err)"
      if ! cmp -s native.svg exe.svg || ! cmp -s native.txt exe.txt; then
        echo "differs: $in $args --svg" >&2
        differ=1
      fi
      rm -f native.svg exe.svg native.txt exe.txt
    done
    echo "compared: $in"
  done
  [[ $differ -eq 0 ]] || die "q527-cli.exe drew other bytes than q527-cli"
}

# Arguments and paths as UTF-16: the exchange file, the output and the
# settings file in the folder with "ソ", "ü", "€" and an emoji, named
# relatively and as the absolute Windows path.
case_unicode_paths() {
  prepare_app
  cd "$work" || die "no $work"
  printf '%s\r\n' 3 4 7 1 0 1 >"$app/q527.dat"
  local winapp
  winapp=$("$WINELOADER" winepath -w "$app" 2>/dev/null </dev/null) || die "winepath"
  run_exe exe.out exe.err --settings "$winapp\\q527.dat" -n 9 -o "$winapp\\出力_€.txt" "$unicode_name/JWC_TEMP.TXT"
  [[ $? -eq 0 ]] || die "q527-cli.exe in $winapp: $(cat exe.err)"
  "$cli" -q -n 9 -k circle,solid -o native.txt input.txt || die "q527-cli"
  cmp native.txt "$app/出力_€.txt" >&2 || die "the result in the Unicode folder differs"
  printf '%s\r\n' 3 4 9 1 0 1 | cmp -s - "$app/q527.dat" || die "settings not saved: $(od -c "$app/q527.dat")"
  grep -qF "lines written to $winapp\\出力_€.txt" exe.err || die "summary: $(cat exe.err)"
  # In place, by the relative name.
  run_exe exe.out exe.err -q "$unicode_name/JWC_TEMP.TXT"
  [[ $? -eq 0 ]] || die "in place: $(cat exe.err)"
  "$cli" -q -o native.txt input.txt || die "q527-cli"
  cmp native.txt "$app/JWC_TEMP.TXT" >&2 || die "the exchange file replaced in place differs"
  # A missing file is named as it was given, every character kept.
  run_exe exe.out exe.err "$unicode_name/無い_€_😀.txt"
  [[ $? -eq 1 ]] || die "a missing file does not exit 1"
  [[ $(cat exe.err) == "q527-cli: $unicode_name/無い_€_😀.txt: no such file" ]] || die "message: $(cat exe.err)"
}

# On a console (a pseudo-terminal: Wine gives the program a console on it)
# with code page 932 chosen, the status texts and the messages show in
# Japanese, a path keeps "ü" and "€", which code page 932 lacks, and the
# exchange file's Shift-JIS text (-o -) reads as Japanese too. Wine's
# console draws a character past U+FFFF as two replacement characters, so
# the emoji is checked in the files of the other cases only.
case_console() {
  prepare_app
  command -v script >/dev/null || skip "no script(1) for a pseudo-terminal"
  cd "$app" || die "no $app"
  local cmdline="'$WINELOADER' cmd /c 'chcp 932 >nul & q527-cli.exe -o out.txt JWC_TEMP.TXT & q527-cli.exe 無い_ü_€.txt & q527-cli.exe -q -k none -o - JWC_TEMP.TXT'"
  timeout 60 script -qec "$cmdline" /dev/null </dev/null >"$work/console.raw" 2>&1
  # The screen's text: escape sequences out, cursor moves to the right as blanks.
  sed -e 's/\x1b\[[0-9]*C/ /g' -e 's/\x1b\[[0-9;?]*[A-Za-z]//g' -e 's/\r//g' "$work/console.raw" >"$work/console.txt"
  cat "$work/console.txt"
  "$cli" -o "$work/native.txt" "$work/input.txt" 2>"$work/native.err" || die "q527-cli"
  local summary
  summary=$(sed "s|$work/native.txt|out.txt|" "$work/native.err")
  local want
  for want in '円周ソリッドデータ参照中です' 'ファイル生成中です' "$summary" \
      'q527-cli: 無い_ü_€.txt: no such file' 'ch 0 50 1 0 "ソフト'; do
    grep -qF -- "$want" <(tr -d '\n' <"$work/console.txt") || die "the console does not show: $want"
  done
  cmp "$work/native.txt" out.txt >&2 || die "the result written from the console differs"
}

# An exchange file that cannot be read (another program holds it, sharing
# nothing): q527-cli.exe says so, exits 1 and leaves it as the host wrote it.
case_unreadable() {
  prepare_app
  cd "$app" || die "no $app"
  lock "$app/JWC_TEMP.TXT"
  run_exe "$work/exe.out" "$work/exe.err" JWC_TEMP.TXT
  local rc=$?
  unlock
  cat "$work/exe.err"
  [[ $rc -eq 1 ]] || die "exit status $rc, want 1"
  grep -qx 'q527-cli: JWC_TEMP.TXT: cannot open for reading' "$work/exe.err" || die "message: $(cat "$work/exe.err")"
  expect_untouched
}

# A launcher run by Wine's own cmd in the folder of the exchange file leaves
# what the native q527-cli writes with the launcher's options.
run_launcher() {  # run_launcher BAT
  local bat=$1
  prepare_app
  local opts
  opts=$(launcher_options "$app/$bat")
  cd "$app" || die "no $app"
  timeout 120 "$WINELOADER" cmd /c "$bat" >"$work/bat.out" 2>"$work/bat.err" </dev/null
  local rc=$?
  cat "$work/bat.err"
  [[ $rc -eq 0 ]] || die "$bat ended with $rc: $(tail -c 400 "$work/bat.out")"
  grep -q 'Press any key' "$work/bat.out" && die "$bat paused after a run that succeeded"
  # shellcheck disable=SC2086
  "$cli" -q $opts -o "$work/expected.txt" "$work/input.txt" || die "q527-cli $opts"
  head -c 4 "$app/JWC_TEMP.TXT" | grep -q '^hd' || die "the exchange file does not start with hd"
  cmp "$work/expected.txt" "$app/JWC_TEMP.TXT" >&2 || die "$bat wrote other bytes than q527-cli $opts"
  echo "$bat: q527-cli $opts"
}

case_launcher_count() { run_launcher q527_count.bat; }

case_launcher_deviation() {
  need_options --max-deviation
  run_launcher q527_deviation.bat
}

case_launcher_clearance() {
  need_options --max-deviation --fit
  run_launcher q527_clearance.bat
}

# Every launcher with the exchange file held by another program: the batch
# file stops at its pause with q527-cli.exe's message on the screen (the
# pause is fed from standard input here), and the file keeps its content.
# The restore launcher on a drawing of polygons: the exchange file the
# host wrote holds the sample's figures as segments.
case_launcher_restore() {
  need_options --restore
  prepare_app
  "$cli" -q -n 24 -o "$work/polygons.txt" "$source_dir/samples/JWC_TEMP.TXT" || die "q527-cli -n 24"
  tail -c +5 "$work/polygons.txt" >"$app/JWC_TEMP.TXT"  # past "hd"
  cp "$app/JWC_TEMP.TXT" "$work/input.txt"
  local opts
  opts=$(launcher_options "$app/q527_restore.bat")
  cd "$app" || die "no $app"
  timeout 120 "$WINELOADER" cmd /c q527_restore.bat >"$work/bat.out" 2>"$work/bat.err" </dev/null
  local rc=$?
  [[ $rc -eq 0 ]] || die "q527_restore.bat ended with $rc: $(tail -c 400 "$work/bat.out")"
  # shellcheck disable=SC2086
  "$cli" -q $opts -o "$work/expected.txt" "$work/input.txt" || die "q527-cli $opts"
  cmp "$work/expected.txt" "$app/JWC_TEMP.TXT" >&2 || die "q527_restore.bat wrote other bytes"
  grep -q '^ci ' "$app/JWC_TEMP.TXT" || die "q527_restore.bat restored no circle"
  echo "q527_restore.bat: q527-cli $opts"
}

case_launcher_failing() {
  prepare_app
  cd "$app" || die "no $app"
  local bats=(q527_count.bat) bat
  local help
  help=$("$cli" --help)
  for bat in q527_deviation.bat q527_clearance.bat q527_restore.bat; do
    if grep -qe --max-deviation <<<"$help" && grep -qe --fit <<<"$help" &&
       { [[ $bat != q527_restore.bat ]] || grep -qe --restore <<<"$help"; }; then
      bats+=("$bat")
    else
      echo "not yet: $bat (q527-cli has no --max-deviation or --fit option)"
    fi
  done
  lock "$app/JWC_TEMP.TXT"
  for bat in "${bats[@]}"; do
    timeout 60 "$WINELOADER" cmd /c "$bat" >"$work/bat.out" 2>"$work/bat.err" </dev/null
    local rc=$?
    [[ $rc -ne 124 ]] || die "$bat did not end"
    [[ $rc -ne 0 ]] || die "$bat ended with 0 after a failed run"
    grep -q 'Press any key' "$work/bat.out" || die "$bat did not pause: $(tail -c 400 "$work/bat.out")"
    grep -qx 'q527-cli: JWC_TEMP.TXT: cannot open for reading' "$work/bat.err" ||
      die "$bat: message: $(cat "$work/bat.err")"
    echo "$bat stopped: $(cat "$work/bat.err")"
  done
  unlock
  expect_untouched
}

declare -F "case_$case_name" >/dev/null || die "no case $case_name"
"case_$case_name"
echo "ok: $case_name"
