#!/usr/bin/env bash
# ./run.sh [ARGS]  — builds q527-cli (release, the compiler and CMake alone) if
# needed and runs it with ARGS.
# Without ARGS it converts a copy of the bundled sample drawing.
set -euo pipefail
cd "$(dirname "$0")"

# The compiler and CMake are all q527-cli needs; the test libraries are
# ./test.sh's.
mapfile -t packages < scripts/build-packages.txt
scripts/ensure-packages.sh "${packages[@]}"

if [[ ! -f build/cli/build.ninja ]]; then
  cmake --preset cli >/dev/null
fi
cmake --build --preset cli >/dev/null
cli=build/cli/cli/q527-cli

if [[ $# -gt 0 ]]; then
  exec "$cli" "$@"
fi

out=build/run
mkdir -p "$out"
cp samples/JWC_TEMP.TXT "$out/JWC_TEMP.TXT"
echo "Sample drawing: samples/JWC_TEMP.TXT"
echo "Read:      $("$cli" --counts "$out/JWC_TEMP.TXT")"
"$cli" -k circle,arc,solid -n 24 "$out/JWC_TEMP.TXT"
echo "Result:    $out/JWC_TEMP.TXT ($(wc -l < "$out/JWC_TEMP.TXT") lines)"
