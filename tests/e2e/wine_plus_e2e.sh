#!/usr/bin/env bash
# End-to-end tests of q527-plus.exe under Wine, on the Xvfb server and in
# the prefix that wine_e2e.sh sets up.
#   wine_plus_e2e.sh CASE CLI      one case (CLI: the native q527-cli)
# Besides wine_e2e.sh's settings, from the environment CTest sets:
#   Q527_PLUS_EXE     the q527-plus.exe that runs under Wine
#   Q527_PLUS_SHOT    where the screenshot of the window (PNG) goes
#   Q527_PLUS_RESTORE_SHOT  and that of the way back
set -uo pipefail

case_name=${1:?case}
cli=${2:?q527-cli}
# shellcheck source=tests/e2e/wine_common.sh
source "$(dirname "${BASH_SOURCE[0]}")/wine_common.sh"
if [[ -f $state/display ]]; then export DISPLAY=$(<"$state/display"); else unset DISPLAY; fi

work=$state/work/plus.$case_name
app=$work/app
pid=

inspect() {
  "$WINELOADER" "$Q527_INSPECT" --plus "$@" >"$work/inspect.out" 2>"$work/inspect.err" </dev/null
  local rc=$?
  cat "$work/inspect.out"
  if [[ $rc -ne 0 ]]; then
    cat "$work/inspect.err" >&2
    die "q527-inspect --plus $*"
  fi
}

# A folder holding q527-plus.exe and an exchange file (the dialog tests'
# drawing unless a file is given).
prepare() {
  rm -rf "$work"
  mkdir -p "$app"
  cp "$Q527_PLUS_EXE" "$app/q527-plus.exe"
  if [[ -n ${1:-} ]]; then cp "$1" "$app/JWC_TEMP.TXT"; else write_e2e_drawing "$app/JWC_TEMP.TXT"; fi
  cp "$app/JWC_TEMP.TXT" "$work/input.txt"
}

settings() {  # settings LINE... (the lines of q527-plus.dat: fifteen, or with the way back's eighteen)
  printf '%s\r\n' "$@" >"$app/q527-plus.dat"
  cp "$app/q527-plus.dat" "$work/settings.before"
}

kill_leftover() {
  if [[ -n $pid ]] && kill -0 "$pid" 2>/dev/null; then kill "$pid" 2>/dev/null; fi
}
trap kill_leftover EXIT

# Starts the program and waits until its window shows and the status line
# tells what OK makes.
start() {
  "$WINELOADER" "$app/q527-plus.exe" >"$work/plus.log" 2>&1 </dev/null &
  pid=$!
  inspect wait 30 waitnotext Status 計算中 60 >/dev/null
}

finish() {
  inspect gone 60 >/dev/null
  local i
  for i in $(seq 300); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && die "q527-plus.exe still runs after its window closed"
  wait "$pid"
  local rc=$?
  pid=
  [[ $rc -eq 0 ]] || die "q527-plus.exe ended with exit code $rc"
}

expect_line() {  # expect_line OUTPUT LINE
  grep -qxF -- "$2" <<<"$1" || die "missing line: $2
--- got:
$1"
}

# A control's line of the dump, by name: "control NAME CLASS X Y W H FLAGS TEXT".
control_line() {  # control_line DUMP NAME
  grep -m1 "^control $2 " <<<"$1"
}

expect_cancelled() {
  [[ $(od -An -c "$app/JWC_TEMP.TXT" | tr -d ' \n') == 'hq\r\n' ]] ||
    die "exchange file is not the single line hq: $(od -c "$app/JWC_TEMP.TXT" | head -5)"
  if [[ -f $work/settings.before ]]; then
    cmp -s "$work/settings.before" "$app/q527-plus.dat" || die "settings file changed without OK"
  else
    [[ ! -e $app/q527-plus.dat ]] || die "settings file written without OK"
  fi
}

expect_cli_bytes() {  # expect_cli_bytes CLI_ARGS...
  "$cli" -q "$@" -o "$work/expected.txt" "$work/input.txt" || die "q527-cli $*"
  head -c 4 "$app/JWC_TEMP.TXT" | grep -q '^hd' || die "exchange file does not start with hd"
  cmp "$work/expected.txt" "$app/JWC_TEMP.TXT" >&2 || die "exchange file differs from q527-cli $*"
  echo "same bytes as q527-cli $*"
}

# The window's place and outer size from a dump: "LEFT TOP WIDTH HEIGHT".
placement() {
  local out=$1
  echo "$(sed -n 's/^window //p' <<<"$out") $(sed -n 's/^outer //p' <<<"$out")"
}

# ---------------------------------------------------------------- cases

case_resources() {
  mkdir -p "$work"
  local out
  out=$(inspect resources "$Q527_PLUS_EXE")
  echo "$out"
  expect_line "$out" "manifest dpiaware=other"
  expect_line "$out" "manifest permonitorv2"
  expect_line "$out" "manifest commoncontrols6"
  expect_line "$out" 'version FileDescription "q527_円→多角形変換（詳細・プレビュー）"'
  expect_line "$out" 'version OriginalFilename "q527-plus.exe"'
}

# Esc on a first start: "hq", and no settings file.
case_escape() {
  prepare
  start
  inspect key esc >/dev/null
  finish
  expect_cancelled
}

# The close box and Cancel: "hq", the settings file as it was.
case_close() {
  prepare
  settings 10 10 0 0 12 1 1 1 0 0 "" "" "" 3 999
  start
  inspect sysclose >/dev/null
  finish
  expect_cancelled
  start
  inspect press ButtonCancel >/dev/null
  finish
  expect_cancelled
}

# OK on a first start writes what q527.exe writes with its defaults, and
# saves the window's place, which the next start takes.
case_first_ok() {
  prepare
  start
  local out
  out=$(inspect dump)
  echo "$out" | grep -E '^(window|outer|client|control (Status|EditCount|RadioCount|RadioInscribed) )'
  expect_line "$out" 'control Status Static '"$(control_line "$out" Status | cut -d' ' -f4-7)"' group,left,vcenter "円：3 円弧楕円弧：0 円周S：12　→ 多角形 15（24 分割）最大誤差 0.0427757"'
  [[ $(control_line "$out" EditCount) == *'"24"' ]] || die "division count: $(control_line "$out" EditCount)"
  [[ $(control_line "$out" RadioInscribed) == *,checked* ]] || die "not inscribed"
  local placed
  placed=$(placement "$out")
  inspect key enter >/dev/null
  finish
  expect_cli_bytes -n 24 -k circle,arc,solid
  mapfile -t saved < <(tr -d '\r' <"$app/q527-plus.dat")
  [[ "${saved[*]:0:4}" == "$placed" ]] || die "saved place ${saved[*]:0:4}, window was at $placed"
  [[ "${saved[*]:4}" == "24 1 1 1 0 0    3 999 0 0.01 8" ]] || die "saved choices: ${saved[*]:4}"
  cp "$app/q527-plus.dat" "$work/settings.before"
  write_e2e_drawing "$app/JWC_TEMP.TXT"
  start
  [[ $(placement "$(inspect dump)") == "$placed" ]] || die "the next start is not where OK left it"
  inspect key esc >/dev/null
  finish
  expect_cancelled
}

# A largest deviation and the circumscribed fit chosen with the keyboard:
# Alt+A (by accuracy), Alt+V (the deviation's field), Alt+O (circumscribed),
# Enter. OK writes what q527-cli writes with those options.
case_keyboard() {
  prepare
  start
  inspect alt a waitfocus RadioAccuracy 5 alt v waitfocus EditDeviation 5 typefocus 0.5 \
    alt o waitfocus RadioCircumscribed 5 >/dev/null
  local out
  out=$(inspect waitnotext Status 計算中 60 dump)
  [[ $(control_line "$out" RadioAccuracy) == *,checked* ]] || die "accuracy not chosen"
  [[ $(control_line "$out" RadioCircumscribed) == *,checked* ]] || die "circumscribed not chosen"
  [[ $(control_line "$out" EditDeviation) == *'"0.5"' ]] || die "deviation: $(control_line "$out" EditDeviation)"
  control_line "$out" Status
  [[ $(control_line "$out" Status) == *'最大誤差 0.'* ]] || die "no deviation in the status line"
  inspect key enter >/dev/null
  finish
  expect_cli_bytes --max-deviation 0.5 --fit circumscribed
  mapfile -t saved < <(tr -d '\r' <"$app/q527-plus.dat")
  [[ "${saved[*]:8:3}" == "1 1 0.5" ]] || die "saved mode, fit, deviation: ${saved[*]:8:3}"
}

# A settings file sets the place, the size and every choice; OK saves them
# as they were and writes what q527-cli writes for them; the next start
# reads them back.
case_settings() {
  prepare
  settings 40 30 900 600 7 1 0 1 1 2 0.25 "" "" 5 200
  start
  local out
  out=$(inspect dump)
  expect_line "$out" "window 40 30"
  expect_line "$out" "outer 900 600"
  local want
  for want in 'EditCount "7"' 'CheckArc unchecked' 'RadioAccuracy checked' 'RadioMid checked' \
      'EditDeviation "0.25"' 'EditFewest "5"' 'EditMost "200"'; do
    local name=${want%% *} value=${want#* }
    [[ $(control_line "$out" "$name") == *"$value"* ]] || die "$name: $(control_line "$out" "$name")"
  done
  inspect press ButtonOk >/dev/null
  finish
  # A file of fifteen lines is one from before the way back: OK saves its
  # values and the way back's defaults after them.
  printf '%s\r\n' 0 0.01 8 >>"$work/settings.before"
  cmp "$work/settings.before" "$app/q527-plus.dat" >&2 || die "OK saved other settings"
  expect_cli_bytes -n 7 -k circle,solid --max-deviation 0.25 --fit mid --min-segments 5 --max-segments 200
  write_e2e_drawing "$app/JWC_TEMP.TXT"
  start
  out=$(inspect dump)
  expect_line "$out" "window 40 30"
  expect_line "$out" "outer 900 600"
  inspect key esc >/dev/null
  finish
}

# The picture of one circle of radius 100 at N = 4, fitted to the pane: the
# curve (blue) at 45° beyond the square's edge, the square (red) at the
# middle of its edge, the ground white in the middle; a wheel notch at
# the centre and the curve is 1.25 times as far out.
case_picture() {
  mkdir -p "$state/work"
  printf 'hk 0\r\nlg0\r\nly0\r\nci 0 0 100\r\n' >"$work.in"
  prepare "$work.in"
  settings 20 20 0 0 4 1 1 1 0 0 "" "" "" 3 999
  start
  inspect sleep 1000 >/dev/null
  local size w h
  size=$(inspect clientsize Pane)
  read -r _ w h <<<"$size"
  local cx=$((w / 2)) cy=$((h / 2)) fit=$(((w < h ? w : h) - 16))
  local r=$((fit / 2))
  pane_count() {  # pane_count X Y COLOUR: pixels of COLOUR in the 5 × 5 round (X, Y)
    inspect colourcount Pane $(($1 - 2)) $(($2 - 2)) 5 5 "$3" | sed 's/colourcount //'
  }
  local d=$((r * 7071 / 10000))
  [[ $(pane_count $((cx + d)) $((cy - d)) 2060D0) -ge 1 ]] || die "no curve at 45° (pane $w × $h, r $r)"
  [[ $(pane_count $((cx + d)) $((cy - d)) D02010) -eq 0 ]] || die "polygon colour where only the curve is"
  [[ $(pane_count $((cx + r / 2)) $((cy - r / 2)) D02010) -ge 1 ]] || die "no polygon edge at its middle"
  [[ $(pane_count "$cx" "$cy" FFFFFF) -eq 25 ]] || die "the ground is not white"
  inspect wheel Pane "$cx" "$cy" 1 sleep 1500 >/dev/null
  local d2=$((r * 125 * 7071 / 1000000))
  [[ $(pane_count $((cx + d2)) $((cy - d2)) 2060D0) -ge 1 ]] || die "no curve at 45° after zooming in"
  echo "pane $w × $h: curve and polygon where they must be, before and after zooming"
  inspect key esc >/dev/null
  finish
  expect_cancelled
}

# The window with its picture for the docs: the bundled sample drawing at
# N = 6, so that curves and polygons both show; both colours are in the
# pane. Then two wheel notches over the figures in the lower half.
case_screenshot() {
  prepare "$(dirname "${BASH_SOURCE[0]}")/../../samples/JWC_TEMP.TXT"
  settings 20 20 0 0 6 1 1 1 0 0 "" "" "" 3 999
  start
  inspect sleep 1500 >/dev/null
  local w h curve polygon
  read -r _ w h <<<"$(inspect clientsize Pane)"
  curve=$(inspect colourcount Pane 0 0 "$w" "$h" 2060D0 | sed 's/colourcount //')
  polygon=$(inspect colourcount Pane 0 0 "$w" "$h" D02010 | sed 's/colourcount //')
  echo "pane $w × $h: $curve curve pixels, $polygon polygon pixels"
  [[ $curve -ge 100 && $polygon -ge 100 ]] || die "the picture lacks curves or polygons"
  inspect wheel Pane $((w * 2 / 5)) $((h * 3 / 4)) 2 sleep 1500 >/dev/null
  inspect shot "$work/plus.bmp" >/dev/null
  if command -v convert >/dev/null; then
    convert "$work/plus.bmp" "$Q527_PLUS_SHOT" || die "cannot convert the screenshot"
  fi
  inspect key esc >/dev/null
  finish
}

# At 144 dots per inch (150 %) the window is laid out anew in dialog units:
# its controls one and a half times as large as at 96, the text in a font
# of that density, and the window no larger than the screen.
case_dpi() {
  prepare
  settings 20 20 0 0 24 1 1 1 0 0 "" "" "" 3 999
  start
  local at96 at144
  at96=$(inspect dump)
  inspect key esc >/dev/null
  finish
  set_dpi() {
    "$WINELOADER" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f \
      >"$work/reg.log" 2>&1 </dev/null || die "cannot set LogPixels"
    "$WINESERVER" -k >/dev/null 2>&1 </dev/null
    "$WINESERVER" -p >/dev/null 2>&1 </dev/null
  }
  restore_dpi() { set_dpi 96; }
  trap 'restore_dpi; kill_leftover' EXIT
  set_dpi 144
  rm -f "$app/q527-plus.dat"
  write_e2e_drawing "$app/JWC_TEMP.TXT"
  start
  at144=$(inspect dump)
  inspect key esc >/dev/null
  finish
  restore_dpi
  trap kill_leftover EXIT
  local name h96 h144
  for name in ButtonOk EditCount GroupFit; do
    h96=$(control_line "$at96" $name | cut -d' ' -f7)
    h144=$(control_line "$at144" $name | cut -d' ' -f7)
    echo "$name: $h96 px high at 96 dpi, $h144 px at 144"
    awk -v a="$h96" -v b="$h144" 'BEGIN { exit !(b >= 1.3 * a && b <= 1.7 * a) }' ||
      die "$name is $h144 px high at 144 dpi against $h96 at 96"
  done
  local outer
  outer=$(sed -n 's/^outer //p' <<<"$at144")
  echo "window at 144 dpi: $outer"
  [[ ${outer% *} -le 1024 && ${outer#* } -le 768 ]] || die "the window is larger than the screen: $outer"
}

# 100,000 circles: the time until the status line tells what OK makes, and
# the longest time the window does not answer while the pane is zoomed and
# dragged for ten seconds. It must never be more than a tenth of a second.
case_large() {
  mkdir -p "$state/work"
  awk 'BEGIN { printf "hk 0\r\nlg0\r\nly0\r\n"
               for (i = 0; i < 100000; i++) printf "ci %d.5 %d.25 %d.125\r\n", i % 400 * 20, int(i / 400) * 20, 2 + i % 7 }' \
    >"$work.in"
  prepare "$work.in"
  settings 20 20 0 0 24 1 1 1 1 0 0.01 "" "" 3 999
  local t0 t1
  t0=$(date +%s.%N)
  "$WINELOADER" "$app/q527-plus.exe" >"$work/plus.log" 2>&1 </dev/null &
  pid=$!
  inspect wait 60 waitnotext Status 計算中 120 >/dev/null
  t1=$(date +%s.%N)
  inspect dump | grep '^control Status'
  echo "from the start to the status line: $(echo "$t1 - $t0" | bc) s"
  local out longest
  out=$(inspect stress Pane 10)
  echo "$out"
  longest=$(sed -n 's/.*longest=\([0-9.]*\).*/\1/p' <<<"$out")
  awk -v l="$longest" 'BEGIN { exit !(l <= 100) }' || die "the window did not answer for $longest ms"
  inspect key esc >/dev/null
  finish
  rm -rf "$app" "$work.in" "$work/input.txt"
}

# The way back's cases, on the helpers above.
# shellcheck source=tests/e2e/wine_plus_restore.sh
source "$(dirname "${BASH_SOURCE[0]}")/wine_plus_restore.sh"

declare -F "case_$case_name" >/dev/null || die "no case $case_name"
"case_$case_name"
echo "ok: plus.$case_name"
