#!/usr/bin/env bash
# Writes what one q527-cli makes of a fixed matrix of drawings and options
# into a folder, so that two builds (before and after a change) can be
# compared byte for byte with `cmp` or `diff -r`.
set -euo pipefail

usage() {
  cat <<'EOF'
usage: bench/output_matrix.sh [--quick] CLI GEN OUTDIR [-- EXTRA CLI ARGS]

Runs the q527-cli binary CLI on the bundled sample and on drawings made by
the workload generator GEN (realistic, malformed and conversion workloads,
fixed seeds, and the conversion workload as polygons), with the dialog's rule
at N = 3, 7, 24 and 999, every planned option and fit, the way back,
--counts, --cancel and --svg, and writes into OUTDIR one
exchange file, one stderr text and (where asked) one picture per case.
EXTRA CLI ARGS go to every conversion (for instance --threads 2).

  --quick   smaller generated drawings
Compare two folders with:  diff -r OLD NEW && echo identical
EOF
}

quick=0
while [[ $# -gt 0 && $1 == --* ]]; do
  case "$1" in
    -h|--help) usage; exit 0 ;;
    --quick) quick=1 ;;
    *) echo "output_matrix.sh: unknown option $1" >&2; usage >&2; exit 2 ;;
  esac
  shift
done
[[ $# -ge 3 ]] || { usage >&2; exit 2; }
cli=$(realpath "$1") gen=$(realpath "$2") out=$3
shift 3
extra=()
if [[ $# -gt 0 && $1 == -- ]]; then shift; extra=("$@"); fi
root=$(cd "$(dirname "$0")/.." && pwd)

mkdir -p "$out/inputs"
figures=20000; circles=(--circles 2000 --arcs 1000 --solids 300)
[[ $quick == 1 ]] && { figures=2000; circles=(--circles 200 --arcs 100 --solids 30); }

cp "$root/samples/JWC_TEMP.TXT" "$out/inputs/sample.txt"
"$gen" --seed 1 --figures "$figures" -o "$out/inputs/realistic.txt"
"$gen" --seed 2 --figures "$figures" --malformed -o "$out/inputs/malformed.txt"
"$gen" --seed 3 "${circles[@]}" -o "$out/inputs/conversion.txt"
# The conversion workload as polygons, for the way back.
"$cli" -q -n 24 -o "$out/inputs/polygons.txt" "$out/inputs/conversion.txt"

# name|arguments: every conversion case runs on every input.
cases=(
  "none|-k none"
  "n3|-n 3"
  "n7|-n 7"
  "n24|-n 24"
  "n999|-n 999"
  "circles12|-k circle -n 12"
  "arcs-solids|-k arc,solid -n 5"
  "deviation6|--max-deviation 6"
  "deviation005|--max-deviation 0.05"
  "angle10|--max-angle 10"
  "length2|--max-length 2"
  "dev-angle-length|--max-deviation 0.5 --max-angle 15 --max-length 20"
  "bounds|--max-deviation 0.01 --min-segments 8 --max-segments 100"
  "circumscribed|--fit circumscribed --max-deviation 0.5"
  "mid|--fit mid --max-deviation 0.5"
  "mid-count|--fit mid --min-segments 12 --max-segments 12"
  "restore|--restore"
  "restore-tight|--restore --max-deviation 1e-6 --min-segments 12"
  "restore-circles|--restore -k circle,solid --max-deviation 0.5"
)

# Relative names from here on, so that the messages name the same files in
# every folder.
cd "$out"
out=.
for input in inputs/*.txt; do
  base=$(basename "$input" .txt)
  for c in "${cases[@]}"; do
    name=${c%%|*}
    read -r -a args <<<"${c#*|}"
    "$cli" "${args[@]}" "${extra[@]}" -o "$out/$base.$name.txt" "$input" \
      >"$out/$base.$name.stdout" 2>"$out/$base.$name.stderr" || echo "exit $?" >>"$out/$base.$name.stderr"
  done
  "$cli" --counts "$input" >"$out/$base.counts" 2>&1 || echo "exit $?" >>"$out/$base.counts"
  "$cli" --cancel -o "$out/$base.cancel.txt" "$input" 2>"$out/$base.cancel.stderr" || true
  for svg in "n24|-n 24" "mid|--fit mid --max-deviation 0.5"; do
    name=${svg%%|*}
    read -r -a args <<<"${svg#*|}"
    "$cli" "${args[@]}" "${extra[@]}" --svg "$out/$base.$name.svg" -o "$out/$base.svg-$name.txt" \
      "$input" 2>"$out/$base.svg-$name.stderr" || echo "exit $?" >>"$out/$base.svg-$name.stderr"
  done
done
echo "$(find . -type f | wc -l) files in $(pwd)"
