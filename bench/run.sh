#!/usr/bin/env bash
# Measures q527 on generated workloads; `bench/run.sh --help` says how.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

usage() {
  cat <<'EOF'
usage: bench/run.sh [--quick] [--reps N] [--build-dir DIR] [--no-doc] [-h|--help]

Measures q527 on generated workloads and compares each with a floor that
does the least possible work on the same bytes:

  W1 round trip  1,000,000-figure drawing (~54 MB), q527-cli -k none
                 (read, write every figure back)       floor: cp of the file
  W2 conversion  100,000 circles, 50,000 arcs, 10,000 circular solids, N=24
                 (3.84 million segments)               floor: cp of the output
  W3 counts      q527-cli --counts on W1's file        floor: wc -l of it
  W4 restore     q527-cli --restore on the N=24 polygons of 20,000 circles
                 and 20,000 arcs (~1M segments)        floor: -k none of it

Each is run several times (median), then once under /usr/bin/time -v for the
peak memory, and once under valgrind's callgrind on a small file of the same
kind for instructions per figure (repeatable from machine to machine). The
Google Benchmark programs add the reader's throughput and its store size per
file byte, the output pass in lines/s, and FormatReal against std::to_chars.

Prints a table and the targets met or missed, and writes them into
docs/PERFORMANCE.md between its result markers.

  --quick        smaller files and fewer repetitions: a smoke run that
                 prints but does not touch docs/PERFORMANCE.md
  --reps N       repetitions per timing (default 5, quick 3)
  --build-dir D  use (and build) D instead of the release preset's
                 build/release
  --no-doc       print only

The workloads are generated once into build/bench-data with fixed seeds
(q527-gen), so every run and every machine measures the same bytes. Run it
on an otherwise idle machine: the figures are wall-clock times.
EOF
}

quick=0
reps=""
build_dir=""
write_doc=1
while [[ $# -gt 0 ]]; do
  case "$1" in
    -h|--help) usage; exit 0 ;;
    --quick) quick=1 ;;
    --reps) reps="$2"; shift ;;
    --build-dir) build_dir="$2"; shift ;;
    --no-doc) write_doc=0 ;;
    *) echo "bench/run.sh: unknown argument: $1" >&2; usage >&2; exit 2 ;;
  esac
  shift
done

if [[ $quick -eq 1 ]]; then
  w1_figures=100000; w2=(10000 5000 1000); small_figures=2000; small_w2=(200 100 20)
  reps=${reps:-3}; bench_args=(--benchmark_min_time=0.05); write_doc=0
else
  w1_figures=1000000; w2=(100000 50000 10000); small_figures=20000; small_w2=(2000 1000 200)
  reps=${reps:-5}; bench_args=(--benchmark_repetitions=5 --benchmark_report_aggregates_only=true)
fi
divisions=24
if [[ $quick -eq 1 ]]; then w4=(4000 4000); small_w4=(400 400); else w4=(20000 20000); small_w4=(2000 2000); fi

if [[ -x scripts/ensure-packages.sh ]]; then
  mapfile -t packages < <(cat scripts/build-packages.txt scripts/bench-packages.txt)
  scripts/ensure-packages.sh "${packages[@]}" >&2
fi

# --- build ---------------------------------------------------------------
targets=(q527-cli q527-gen reader_bench writer_bench number_bench plan_bench)
if [[ -z "$build_dir" ]]; then
  build_dir=build/release
  [[ -f $build_dir/build.ninja ]] || cmake --preset release >/dev/null
else
  [[ -f $build_dir/build.ninja ]] || cmake -S . -B "$build_dir" -G Ninja \
    -DCMAKE_BUILD_TYPE=Release -DQ527_BENCH=ON >/dev/null
fi
cmake --build "$build_dir" --target "${targets[@]}" >/dev/null
cli=$root/$build_dir/cli/q527-cli
gen=$root/$build_dir/bench/q527-gen

# --- workloads -----------------------------------------------------------
data=$root/build/bench-data
mkdir -p "$data"
make_file() {  # make_file NAME ARGS...: generate once, keep
  local file=$data/$1; shift
  [[ -s $file ]] || "$gen" "$@" -o "$file"
  echo "$file"
}
w1_in=$(make_file "realistic-$w1_figures-s1.txt" --seed 1 --figures "$w1_figures")
w2_in=$(make_file "conversion-${w2[0]}-${w2[1]}-${w2[2]}-s2.txt" --seed 2 \
  --circles "${w2[0]}" --arcs "${w2[1]}" --solids "${w2[2]}")
small_w1=$(make_file "realistic-$small_figures-s1.txt" --seed 1 --figures "$small_figures")
small_w2_in=$(make_file "conversion-${small_w2[0]}-${small_w2[1]}-${small_w2[2]}-s2.txt" --seed 2 \
  --circles "${small_w2[0]}" --arcs "${small_w2[1]}" --solids "${small_w2[2]}")
w2_figures=$(( w2[0] + w2[1] + w2[2] ))
# The small W4 file for the instruction count: polygons of its figures.
make_small_w4() {
  local src polygons=$data/restore-${small_w4[0]}-${small_w4[1]}-n$divisions.txt
  src=$(make_file "conversion-${small_w4[0]}-${small_w4[1]}-0-s4.txt" --seed 4 \
    --circles "${small_w4[0]}" --arcs "${small_w4[1]}" --solids 0)
  [[ -s $polygons ]] || "$cli" -q -n "$divisions" -o "$polygons" "$src"
  echo "$polygons"
}
small_w2_figures=$(( small_w2[0] + small_w2[1] + small_w2[2] ))
out=$data/out
mkdir -p "$out"

# --- measuring helpers ---------------------------------------------------
now_ns() { date +%s%N; }
# median_s CMD...: runs CMD once to warm caches, then $reps times; prints the
# median wall time in seconds.
median_s() {
  "$@" >/dev/null 2>&1
  local times=() t0 t1 i
  for (( i = 0; i < reps; i++ )); do
    t0=$(now_ns); "$@" >/dev/null 2>&1; t1=$(now_ns)
    times+=( $(( t1 - t0 )) )
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {
    m = (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2; printf "%.4f\n", m / 1e9 }'
}
# usage_of CMD...: "peak-kB cpu-seconds" of one run: the maximum resident set
# size and user + system time, from GNU time (its -v report, written to a file
# so that the command's own output cannot mix in).
usage_of() {
  local report
  report=$(mktemp)
  /usr/bin/time -v -o "$report" "$@" >/dev/null 2>&1
  awk -F': ' '/Maximum resident set size/ { kb = $2 }
    /User time/ { cpu += $2 } /System time/ { cpu += $2 }
    END { printf "%d %.3f\n", kb, cpu }' "$report"
  rm -f "$report"
}
instructions() {  # instructions CMD...: instructions executed (callgrind)
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
    sed -n 's/.*Collected : //p' | tail -1
}
# per_figure FIGURES CMD... FILE: instructions of CMD on FILE less those on an
# empty file (start-up, dynamic linking), per figure.
empty=$data/empty.txt
: >"$empty"
per_figure() {
  local figures=$1; shift
  local n=$# file=${!#}
  local args=("${@:1:n-1}")
  local full base
  full=$(instructions "${args[@]}" "$file")
  base=$(instructions "${args[@]}" "$empty")
  calc %.0f "($full - $base) / $figures"
}
size_of() { stat -c %s "$1"; }
lines_of() { wc -l <"$1" | tr -d ' '; }
calc() { awk "BEGIN { printf \"$1\n\", $2 }"; }

load_before=$(cut -d' ' -f1-3 /proc/loadavg)

# --- W1 round trip --------------------------------------------------------
echo "W1: round trip of $(lines_of "$w1_in") lines ($(calc %.1f "$(size_of "$w1_in") / 1e6") MB)..." >&2
w1_out=$out/w1.txt
w1_t=$(median_s "$cli" -q -k none -o "$w1_out" "$w1_in")
w1_cp=$(median_s cp "$w1_in" "$out/w1-copy.txt")
w1_wc=$(median_s wc -l "$w1_in")
read -r w1_mem w1_cpu < <(usage_of "$cli" -q -k none -o "$w1_out" "$w1_in")
w1_ir=$(per_figure "$small_figures" "$cli" -q -k none -o "$out/w1-small.txt" "$small_w1")

# --- W2 conversion --------------------------------------------------------
echo "W2: converting $w2_figures figures with N=$divisions..." >&2
w2_out=$out/w2.txt
w2_t=$(median_s "$cli" -q -k circle,arc,solid -n "$divisions" -o "$w2_out" "$w2_in")
w2_cp=$(median_s cp "$w2_out" "$out/w2-copy.txt")
read -r w2_mem w2_cpu < <(usage_of "$cli" -q -k circle,arc,solid -n "$divisions" -o "$w2_out" "$w2_in")
w2_ir=$(per_figure "$small_w2_figures" "$cli" -q -k circle,arc,solid -n "$divisions" \
  -o "$out/w2-small.txt" "$small_w2_in")

# --- W2 by deviation ------------------------------------------------------
# The same figures with counts planned per figure, for a deviation that gives
# about the same segments on average as N = 24: planning must not cost lines/s.
w2_deviation=6
echo "W2 by deviation: converting $w2_figures figures with --max-deviation $w2_deviation..." >&2
w2d_out=$out/w2-deviation.txt
w2d_t=$(median_s "$cli" -q --max-deviation "$w2_deviation" -o "$w2d_out" "$w2_in")
read -r w2d_mem w2d_cpu < <(usage_of "$cli" -q --max-deviation "$w2_deviation" -o "$w2d_out" "$w2_in")

# --- W3 counts ------------------------------------------------------------
echo "W3: counts of W1's file..." >&2
w3_t=$(median_s "$cli" --counts "$w1_in")
read -r w3_mem w3_cpu < <(usage_of "$cli" --counts "$w1_in")
w3_ir=$(per_figure "$small_figures" "$cli" --counts "$small_w1")

# --- W4 restore -----------------------------------------------------------
# The way back on the project's own polygons: circles and arcs at N = 24,
# against the plain round trip of the same file.
echo "W4: restoring the N = $divisions polygons of ${w4[0]} circles and ${w4[1]} arcs..." >&2
w4_src=$(make_file "conversion-${w4[0]}-${w4[1]}-0-s4.txt" --seed 4 --circles "${w4[0]}" \
  --arcs "${w4[1]}" --solids 0)
w4_in=$data/restore-${w4[0]}-${w4[1]}-n$divisions.txt
[[ -s $w4_in ]] || "$cli" -q -n "$divisions" -o "$w4_in" "$w4_src"
w4_out=$out/w4.txt
w4_t=$(median_s "$cli" -q --restore -o "$w4_out" "$w4_in")
w4_none=$(median_s "$cli" -q -k none -o "$out/w4-none.txt" "$w4_in")
read -r w4_mem w4_cpu < <(usage_of "$cli" -q --restore -o "$w4_out" "$w4_in")
w4_ir=$(per_figure "$(( small_w4[0] + small_w4[1] ))" "$cli" -q --restore -o "$out/w4-small.txt" \
  "$(make_small_w4)")

# --- micro-benchmarks -----------------------------------------------------
echo "Benchmarks..." >&2
# bench_value PROGRAM FILTER FIELD: FIELD of the median aggregate (or of the
# single run in a quick run) from Google Benchmark's JSON output.
bench_json() {
  "$root/$build_dir/bench/$1" --benchmark_filter="$2" --benchmark_format=json "${bench_args[@]}" 2>/dev/null
}
bench_value() {
  awk -v field="\"$1\":" '
    /"name":/ { keep = ($0 !~ /_(mean|stddev|cv)"/) }
    keep && index($0, field) { v = $0; sub(/.*: */, "", v); sub(/,$/, "", v); print v; exit }'
}
reader_json=$(bench_json reader_bench 'BM_ReadRealistic$')
read_bps=$(bench_value bytes_per_second <<<"$reader_json")
store_ratio=$(bench_value store/file <<<"$reader_json")
read_all_bps=$(bench_value bytes_per_second <<<"$(bench_json reader_bench 'BM_ReadRealisticOnEveryCore')")
pass_json=$(bench_json writer_bench 'BM_OutputPassConverted$')
pass_lps=$(bench_value items_per_second <<<"$pass_json")
format_json=$(bench_json number_bench 'BM_FormatReal$|BM_ToCharsPrecision14$')
format_ips=$(bench_value items_per_second <<<"$(grep -A40 '"BM_FormatReal' <<<"$format_json")")
tochars_ips=$(bench_value items_per_second <<<"$(grep -A40 '"BM_ToCharsPrecision14' <<<"$format_json")")

# --- table ----------------------------------------------------------------
w1_in_b=$(size_of "$w1_in"); w1_out_b=$(size_of "$w1_out"); w1_out_l=$(lines_of "$w1_out")
w2_in_b=$(size_of "$w2_in"); w2_out_b=$(size_of "$w2_out"); w2_out_l=$(lines_of "$w2_out")
w1_in_l=$(lines_of "$w1_in")
w2d_out_b=$(size_of "$w2d_out"); w2d_out_l=$(lines_of "$w2d_out")
w4_in_b=$(size_of "$w4_in"); w4_in_l=$(lines_of "$w4_in"); w4_out_b=$(size_of "$w4_out")

row() {  # row NAME TIME CPU FLOOR_NAME FLOOR_TIME IN_BYTES OUT_BYTES LINES PEAK_KB IR_PER_FIGURE
  printf '| %s | %.3f s | %.3f s | %s %.3f s | %.1f× | %.0f | %.2f M | %.2f | %s |\n' \
    "$1" "$2" "$3" "$4" "$5" "$(calc %.4f "$2 / $5")" "$(calc %.4f "$6 / 1e6 / $2")" \
    "$(calc %.4f "$8 / 1e6 / $2")" "$(calc %.4f "$9 * 1024 / ($6 + $7)")" "${10}"
}
yes_no() { if awk "BEGIN { exit !($1) }"; then echo "met"; else echo "MISSED"; fi; }

date_utc=$(date -u '+%Y-%m-%d %H:%M UTC')
cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)
commit=$(git rev-parse --short HEAD 2>/dev/null || echo unknown)
mb_per_s_read=$(calc %.0f "$read_bps / 1e6")
mlps_pass=$(calc %.2f "$pass_lps / 1e6")
w2_lps=$(calc %.4f "$w2_out_l / $w2_t")
w2d_lps=$(calc %.4f "$w2d_out_l / $w2d_t")
w3_mbps=$(calc %.4f "$w1_in_b / 1e6 / $w3_t")

results=$(cat <<EOF
Measured $date_utc on $(nproc) cores of "$cpu", commit $commit, $reps repetitions per
timing$( [[ $quick -eq 1 ]] && echo " (quick run)" ). Load average when the timings began: $load_before (above 1
means other work shared the machine and the wall-clock times are too high).

| workload | median time | CPU time | floor | ratio | MB/s in | M lines/s | peak memory / (in + out) | instructions / figure |
|---|---|---|---|---|---|---|---|---|
$(row "W1 round trip ($w1_figures figures, $(calc %.1f "$w1_in_b / 1e6") MB in, $w1_out_l lines out)" "$w1_t" "$w1_cpu" "cp" "$w1_cp" "$w1_in_b" "$w1_out_b" "$w1_out_l" "$w1_mem" "$w1_ir")
$(row "W2 conversion ($w2_figures figures → $w2_out_l lines, $(calc %.1f "$w2_out_b / 1e6") MB out)" "$w2_t" "$w2_cpu" "cp of output" "$w2_cp" "$w2_in_b" "$w2_out_b" "$w2_out_l" "$w2_mem" "$w2_ir")
$(row "W2 by deviation (--max-deviation $w2_deviation → $w2d_out_l lines)" "$w2d_t" "$w2d_cpu" "cp of output" "$w2_cp" "$w2_in_b" "$w2d_out_b" "$w2d_out_l" "$w2d_mem" "–")
$(row "W3 counts (W1's file, $w1_in_l lines)" "$w3_t" "$w3_cpu" "wc -l" "$w1_wc" "$w1_in_b" 0 "$w1_in_l" "$w3_mem" "$w3_ir")
$(row "W4 restore (N = $divisions polygons of $(( w4[0] + w4[1] )) circles and arcs, $w4_in_l lines)" "$w4_t" "$w4_cpu" "-k none" "$w4_none" "$w4_in_b" "$w4_out_b" "$w4_in_l" "$w4_mem" "$w4_ir")

- Median time: wall clock, the median of the repetitions. CPU time: user + system time of one
  run, less sensitive to other work on the machine.
- Ratio, MB/s and lines/s come from the median time. MB/s in: input bytes per second.
  M lines/s: output lines per second (W3: input lines).
- Instructions per figure: callgrind on $small_figures figures (W1, W3) or $small_w2_figures source
  figures (W2, each making $divisions segments), less the same command on an empty file; every
  thread's instructions counted (q527-cli reads and writes on $(nproc) threads here).
- For comparison, wc -l of W1's input takes $(printf '%.3f' "$w1_wc") s.

| micro-benchmark | result |
|---|---|
| reading (JwwReadBuffer, realistic file in memory), one thread | $mb_per_s_read MB/s |
| the same on $(nproc) threads | $(calc %.0f "$read_all_bps / 1e6") MB/s |
| filled store / file size | $(printf '%.2f' "$store_ratio") |
| output pass over a converted store | $mlps_pass M lines/s |
| FormatReal / std::to_chars(scientific, 14) | $(calc %.1f "$format_ips / 1e6") / $(calc %.1f "$tochars_ips / 1e6") M numbers/s |

| target | measured | |
|---|---|---|
| W1 within 5× cp | $(calc %.1f "$w1_t / $w1_cp")× | $(yes_no "$w1_t <= 5 * $w1_cp") |
| W2 ≥ 5 M output lines/s | $(calc %.2f "$w2_lps / 1e6") M | $(yes_no "$w2_lps >= 5e6") |
| W2 by deviation ≥ 0.97 × W2's lines/s (0.97: the timings' noise) | $(calc %.3f "$w2d_lps / $w2_lps")× | $(yes_no "$w2d_lps >= 0.97 * $w2_lps") |
| W3 ≥ 400 MB/s | $(calc %.0f "$w3_mbps") MB/s | $(yes_no "$w3_mbps >= 400") |
| W4 restore within 2 × the round trip of its file | $(calc %.2f "$w4_t / $w4_none")× | $(yes_no "$w4_t <= 2 * $w4_none") |
| W4 peak memory ≤ 2 × (in + out) | $(calc %.2f "$w4_mem * 1024 / ($w4_in_b + $w4_out_b)")× | $(yes_no "$w4_mem * 1024 <= 2 * ($w4_in_b + $w4_out_b)") |
| W1 peak memory ≤ 2 × (in + out) | $(calc %.2f "$w1_mem * 1024 / ($w1_in_b + $w1_out_b)")× | $(yes_no "$w1_mem * 1024 <= 2 * ($w1_in_b + $w1_out_b)") |
| W2 peak memory ≤ 0.5 × (in + out) | $(calc %.2f "$w2_mem * 1024 / ($w2_in_b + $w2_out_b)")× | $(yes_no "$w2_mem * 1024 <= 0.5 * ($w2_in_b + $w2_out_b)") |
| reading ≥ 300 MB/s | $mb_per_s_read MB/s | $(yes_no "$read_bps >= 300e6") |
| filled store ≤ 1.5 × file size | $(printf '%.2f' "$store_ratio")× | $(yes_no "$store_ratio <= 1.5") |
EOF
)

echo
echo "$results"

doc=docs/PERFORMANCE.md
if [[ $write_doc -eq 1 ]]; then
  begin='<!-- results: written by bench/run.sh -->'
  end='<!-- end of results -->'
  if [[ -f $doc ]] && grep -qF "$begin" "$doc"; then
    tmp=$(mktemp)
    awk -v b="$begin" -v e="$end" -v r="$results" '
      $0 == b { print; print ""; print r; print ""; skip = 1; next }
      $0 == e { skip = 0 }
      !skip { print }' "$doc" >"$tmp"
    mv "$tmp" "$doc"
  else
    { [[ -f $doc ]] && cat "$doc" && echo; echo "## Results"; echo; echo "$begin"; echo
      echo "$results"; echo; echo "$end"; } >"$doc.new"
    mv "$doc.new" "$doc"
  fi
  echo
  echo "Written to $doc" >&2
fi
