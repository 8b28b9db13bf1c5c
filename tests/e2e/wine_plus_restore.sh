# The way back in q527-plus.exe under Wine: its cases, sourced by
# wine_plus_e2e.sh, whose helpers (prepare, settings, start, finish,
# inspect, control_line, expect_cli_bytes, expect_cancelled) they use.

# A drawing of polygons as the host hands it over: the bundled sample
# converted by q527-cli -n N, past its "hd" line.
polygon_drawing() {  # polygon_drawing N FILE
  "$cli" -q -n "$1" -o "$work.polygons" "$(dirname "${BASH_SOURCE[0]}")/../../samples/JWC_TEMP.TXT" ||
    die "q527-cli -n $1 on the sample"
  tail -n +2 "$work.polygons" >"$2"
  rm -f "$work.polygons"
}

# The way back chosen with the keyboard on a drawing of polygons: Alt+R
# (restore), Alt+T (its deviation's field), Alt+S (its fewest segments),
# Enter. The conversion's controls are greyed, the status line tells what
# is restored, OK writes what q527-cli --restore writes with those values,
# and the next start comes back in the way back with them.
case_restore_keyboard() {
  mkdir -p "$state/work"
  polygon_drawing 24 "$work.in"
  prepare "$work.in"
  start
  # A field reached by its label's accelerator has its text selected: the
  # typing replaces it.
  inspect alt r waitfocus RadioRestore 5 alt t waitfocus EditRestoreDeviation 5 typefocus 0.002 \
    alt s waitfocus EditRestoreFewest 5 typefocus 12 >/dev/null
  local out
  out=$(inspect waitnotext Status 計算中 60 dump)
  [[ $(control_line "$out" RadioRestore) == *,checked* ]] || die "the way back not chosen"
  [[ $(control_line "$out" EditRestoreDeviation) == *'"0.002"' ]] ||
    die "deviation: $(control_line "$out" EditRestoreDeviation)"
  [[ $(control_line "$out" EditRestoreFewest) == *'"12"' ]] ||
    die "fewest: $(control_line "$out" EditRestoreFewest)"
  local name
  for name in RadioCount EditCount RadioInscribed GroupFit; do
    [[ $(control_line "$out" $name) == *disabled* ]] || die "$name not greyed: $(control_line "$out" $name)"
  done
  for name in CheckCircle CheckArc EditRestoreDeviation; do
    [[ $(control_line "$out" $name) != *disabled* ]] || die "$name greyed"
  done
  control_line "$out" Status
  [[ $(control_line "$out" Status) == *'線分：'*'→ 復元 円 '*'最大誤差 '* ]] ||
    die "the status line does not tell the way back"
  inspect key enter >/dev/null
  finish
  expect_cli_bytes --restore --max-deviation 0.002 --min-segments 12
  mapfile -t saved < <(tr -d '\r' <"$app/q527-plus.dat")
  [[ "${saved[*]:15}" == "1 0.002 12" ]] || die "saved way back: ${saved[*]:15}"
  cp "$app/q527-plus.dat" "$work/settings.before"
  cp "$work/input.txt" "$app/JWC_TEMP.TXT"
  start
  out=$(inspect dump)
  [[ $(control_line "$out" RadioRestore) == *,checked* ]] || die "the next start is not in the way back"
  [[ $(control_line "$out" EditRestoreDeviation) == *'"0.002"' ]] || die "the deviation did not come back"
  [[ $(control_line "$out" EditRestoreFewest) == *'"12"' ]] || die "the fewest did not come back"
  [[ $(control_line "$out" EditCount) == *disabled* ]] || die "the conversion not greyed on the next start"
  inspect key esc >/dev/null
  finish
  expect_cancelled
}

# The way back's picture: a 48-gon of radius 100 and a stray line from
# (-115, -100) to (-115, 100), fitted to the pane. The restored circle (the
# colour of what OK writes) at 45°, the line (the colour of what is handed
# over) beside it, the ground white in the middle.
case_restore_picture() {
  mkdir -p "$state/work"
  awk 'BEGIN { printf "hk 0\r\nlg0\r\nly0\r\n-115 -100 -115 100\r\n"
               for (k = 0; k < 48; k++) {
                 a = 6.283185307179586 * k / 48; b = 6.283185307179586 * (k + 1) / 48
                 printf "%.6f %.6f %.6f %.6f\r\n", 100 * cos(a), 100 * sin(a), 100 * cos(b), 100 * sin(b)
               } }' >"$work.in"
  prepare "$work.in"
  settings 20 20 0 0 24 1 1 1 0 0 "" "" "" 3 999 1 0.01 8
  start
  inspect sleep 1000 >/dev/null
  local w h
  read -r _ w h <<<"$(inspect clientsize Pane)"
  # The box is 215 wide and 200 high; the fitted scale and its centre.
  local fit=$(((w - 16) * 1000 / 215)) fith=$(((h - 16) * 1000 / 200))
  ((fith < fit)) && fit=$fith
  local cx=$((w / 2 + fit * 15 / 2 / 1000)) cy=$((h / 2)) r=$((fit * 100 / 1000))
  pane_count() {  # pane_count X Y COLOUR: pixels of COLOUR in the 5 × 5 round (X, Y)
    inspect colourcount Pane $(($1 - 2)) $(($2 - 2)) 5 5 "$3" | sed 's/colourcount //'
  }
  local d=$((r * 7071 / 10000)) lx=$((w / 2 - fit * 215 / 2 / 1000))
  [[ $(pane_count $((cx + d)) $((cy - d)) D02010) -ge 1 ]] || die "no restored circle at 45° (pane $w × $h)"
  [[ $(pane_count "$lx" "$cy" 2060D0) -ge 1 ]] || die "no segment where the line is"
  [[ $(pane_count "$lx" "$cy" D02010) -eq 0 ]] || die "the line is drawn as restored"
  [[ $(pane_count "$cx" "$cy" FFFFFF) -eq 25 ]] || die "the ground is not white"
  local out
  out=$(inspect dump)
  control_line "$out" Status
  [[ $(control_line "$out" Status) == *'線分：49　→ 復元 円 1 '* ]] || die "the status line: one circle from 48"
  echo "pane $w × $h: the restored circle and the line where they must be"
  inspect key esc >/dev/null
  finish
  expect_cancelled
}

# The window in the way back for the docs: the bundled plate of segments,
# its curves restored over them; both colours in the pane.
case_restore_screenshot() {
  prepare "$(dirname "${BASH_SOURCE[0]}")/../../samples/SEGMENTS.TXT"
  settings 20 20 0 0 24 1 1 1 0 0 "" "" "" 3 999 1 0.01 8
  start
  inspect sleep 1500 >/dev/null
  local w h segments curves
  read -r _ w h <<<"$(inspect clientsize Pane)"
  segments=$(inspect colourcount Pane 0 0 "$w" "$h" 2060D0 | sed 's/colourcount //')
  curves=$(inspect colourcount Pane 0 0 "$w" "$h" D02010 | sed 's/colourcount //')
  echo "pane $w × $h: $segments segment pixels, $curves restored curve pixels"
  [[ $segments -ge 100 && $curves -ge 100 ]] || die "the picture lacks segments or restored curves"
  inspect dump | grep '^control Status'
  inspect shot "$work/restore.bmp" >/dev/null
  if command -v convert >/dev/null; then
    convert "$work/restore.bmp" "$Q527_PLUS_RESTORE_SHOT" || die "cannot convert the screenshot"
  fi
  inspect key esc >/dev/null
  finish
}

restore_large_drawing() {  # 42,000 polygons of 24 segments, radii 2..8
  awk 'BEGIN { printf "hk 0\r\nlg0\r\nly0\r\n"
               for (i = 0; i < 42000; i++) {
                 x = i % 200 * 20; y = int(i / 200) * 20; r = 2 + i % 7
                 for (k = 0; k < 24; k++) {
                   a = 6.283185307179586 * k / 24; b = 6.283185307179586 * (k + 1) / 24
                   printf "%.4f %.4f %.4f %.4f\r\n", x + r * cos(a), y + r * sin(a), x + r * cos(b), y + r * sin(b)
                 } } }'
}

# About a million segments (42,000 polygons of 24) in the way back: the
# time until the status line tells what OK restores, and the longest time
# the window does not answer while the pane is zoomed and dragged and the
# fewest segments is typed (each change restores anew on the preview's
# thread). It must never be more than a tenth of a second.
# Q527_PLUS_RESTORE_DRAWING names another drawing to measure instead (such
# as q527-gen's, converted by q527-cli -n 24; an "hd" line is dropped).
case_restore_large() {
  mkdir -p "$state/work"
  if [[ -n ${Q527_PLUS_RESTORE_DRAWING:-} ]]; then
    grep -v '^hd' "$Q527_PLUS_RESTORE_DRAWING" >"$work.in"
  else
    restore_large_drawing >"$work.in"
  fi
  prepare "$work.in"
  settings 20 20 0 0 24 1 1 1 0 0 "" "" "" 3 999 1 0.01 8
  local t0 t1
  t0=$(date +%s.%N)
  "$WINELOADER" "$app/q527-plus.exe" >"$work/plus.log" 2>&1 </dev/null &
  pid=$!
  inspect wait 120 waitnotext Status 計算中 300 >/dev/null
  t1=$(date +%s.%N)
  inspect dump | grep '^control Status'
  echo "from the start to the status line: $(echo "$t1 - $t0" | bc) s"
  inspect alt s waitfocus EditRestoreFewest 5 typefocus 9 >/dev/null
  local out longest
  out=$(inspect stress Pane 10)
  echo "$out"
  longest=$(sed -n 's/.*longest=\([0-9.]*\).*/\1/p' <<<"$out")
  inspect waitnotext Status 計算中 300 >/dev/null
  # One restore alone: from the change to the status line that tells it.
  t0=$(date +%s.%N)
  inspect typefocus 0 waitnotext Status 計算中 300 >/dev/null
  t1=$(date +%s.%N)
  inspect dump | grep '^control Status'
  echo "from a change of the fewest (90) to its status line: $(echo "$t1 - $t0" | bc) s"
  awk -v l="$longest" 'BEGIN { exit !(l <= 100) }' || die "the window did not answer for $longest ms"
  inspect key esc >/dev/null
  finish
  rm -rf "$app" "$work.in" "$work/input.txt"
}
