#!/usr/bin/env bash
# Builds the libFuzzer targets and runs them; `fuzz/run.sh --help` says how.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

usage() {
  cat <<'EOF'
usage: fuzz/run.sh [--merge] [--build-dir DIR] [SECONDS] [TARGET...]

Builds the libFuzzer targets (clang, ASan + UBSan) and runs each for
SECONDS (default 20) on its seed corpus in fuzz/corpus/<target>/, one after
the other. Prints one line per target; exits non-zero when a target finds a
crash, a leak, a hang or a broken invariant, leaving the input that did it
in build/fuzz-artifacts/ and the log beside it.

TARGET is one of those in fuzz/targets.txt (default: all of them).
New inputs go to a scratch folder under build/, never into the repository;
--merge adds the small ones that reach new code to fuzz/corpus/<target>/.
--build-dir DIR builds there instead of the fuzz preset's build/fuzz.
EOF
}

# The targets with their longest inputs and dictionaries: fuzz/targets.txt.
declare -A max_len dict
known=()
while read -r name len words; do
  [[ -z $name || $name == \#* ]] && continue
  known+=("$name")
  max_len[$name]=$len
  dict[$name]=$words
done <fuzz/targets.txt

merge=0
build_dir=""
seconds=20
targets=()
while [[ $# -gt 0 ]]; do
  case "$1" in
    -h|--help) usage; exit 0 ;;
    --merge) merge=1 ;;
    --build-dir) build_dir="$2"; shift ;;
    [0-9]*) seconds="$1" ;;
    *)
      name=${1#fuzz_}
      if [[ -z ${max_len[$name]:-} ]]; then
        echo "fuzz/run.sh: unknown argument: $1" >&2; usage >&2; exit 2
      fi
      targets+=("$name") ;;
  esac
  shift
done
[[ ${#targets[@]} -eq 0 ]] && targets=("${known[@]}")

if [[ -x scripts/ensure-packages.sh ]]; then
  mapfile -t packages < <(cat scripts/build-packages.txt scripts/tool-packages.txt)
  scripts/ensure-packages.sh "${packages[@]}" >&2
fi

# Configure once; building is incremental and quiet.
if [[ -z "$build_dir" ]]; then
  build_dir=build/fuzz
  [[ -f $build_dir/build.ninja ]] || cmake --preset fuzz >/dev/null
else
  [[ -f $build_dir/build.ninja ]] || cmake -S . -B "$build_dir" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DQ527_TESTS=OFF -DQ527_FUZZ=ON -DQ527_SANITIZE=ON >/dev/null
fi
build_log=$(mktemp)
if ! cmake --build "$build_dir" --target "${targets[@]/#/fuzz_}" >"$build_log" 2>&1; then
  cat "$build_log" >&2
  rm -f "$build_log"
  echo "fuzz/run.sh: build failed" >&2
  exit 1
fi
rm -f "$build_log"

artifacts=$root/build/fuzz-artifacts
mkdir -p "$artifacts"
status=0
for t in "${targets[@]}"; do
  exe=$build_dir/fuzz/fuzz_$t
  corpus=fuzz/corpus/$t
  scratch=$root/build/fuzz-scratch/$t
  log=$artifacts/$t.log
  mkdir -p "$scratch" "$corpus"
  # libFuzzer first runs every input of the folders (the regressions too,
  # which every target must pass), then writes what it finds to the first.
  set +e
  "$exe" -max_total_time="$seconds" -max_len="${max_len[$t]}" -dict="${dict[$t]}" \
    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$artifacts/$t-" "$scratch" "$corpus" fuzz/corpus/regressions >"$log" 2>&1
  rc=$?
  set -e
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  if [[ $rc -eq 0 ]]; then
    printf 'fuzz_%-10s %10s runs in %ss, ok\n' "$t" "${runs:-?}" "$seconds"
  else
    status=1
    crash=$(grep -o "Test unit written to .*" "$log" | tail -1 | sed 's/Test unit written to //')
    printf 'fuzz_%-10s %10s runs, FAILED (exit %d): %s\n' "$t" "${runs:-?}" "$rc" \
      "${crash:-see $log}"
    grep -m1 -E "ERROR: |invariant broken|runtime error|disagrees" "$log" | sed 's/^/    /' || true
  fi
  if [[ $merge -eq 1 && $rc -eq 0 ]]; then
    # Only small inputs are worth keeping in the repository.
    small=$(mktemp -d)
    find "$scratch" -type f -size -2k -exec cp {} "$small"/ \;
    before=$(find "$corpus" -type f | wc -l)
    "$exe" -merge=1 -max_len="${max_len[$t]}" "$corpus" "$small" >>"$log" 2>&1 || true
    after=$(find "$corpus" -type f | wc -l)
    rm -rf "$small"
    echo "    merged $((after - before)) new inputs into $corpus"
  fi
done
exit $status
