#!/usr/bin/env bash
# bench/wine_scale.sh [CLI] [WINE_BUILD]
#
# The Windows program at scale, under Wine: 200,000 circles at N = 24 go in,
# 4,800,000 segments come out, byte for byte what q527-cli writes for the
# same input. It is the end-to-end case "scale" of tests/e2e/wine_e2e.sh
# (e2e.wine.scale in the test suite), run alone here to time it: about 40 s
# on a two-core machine, much of it the output pass repainting the progress
# label and polling Escape every 100 figures, 48,000 times here, each repaint
# going to the X server under Wine.
#
#   CLI         native q527-cli (default build/debug/cli/q527-cli, test.sh's)
#   WINE_BUILD  a MinGW build folder (default build/mingw64)
#
# A kernel without 32-bit support runs the 64-bit build of the same sources
# (cmake --preset mingw64); the 32-bit program's own address space is then
# not what is measured. Needs wine64 (or wine), wineserver and Xvfb.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli=$(realpath "${1:-$root/build/debug/cli/q527-cli}")
wine_build=$(realpath "${2:-$root/build/mingw64}")
[[ -x $cli ]] || { echo "no q527-cli at $cli" >&2; exit 2; }
[[ -f $wine_build/dialog/win32/q527.exe ]] || { echo "no q527.exe in $wine_build" >&2; exit 2; }

loader=$(command -v /usr/lib/wine/wine64 || command -v wine64 || command -v wine) || { echo "no Wine" >&2; exit 2; }
export Q527_EXE=$wine_build/dialog/win32/q527.exe
export Q527_INSPECT=$wine_build/dialog/win32/q527-inspect.exe
export Q527_PRODUCT=$Q527_EXE
export Q527_WINE=$loader
export Q527_WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)
export Q527_XVFB=$(command -v Xvfb)
export Q527_STATE=$root/build/wine-scale
export Q527_SHOT=$Q527_STATE/dialog.png

driver=$root/tests/e2e/wine_e2e.sh
bash "$driver" setup
trap 'bash "$driver" cleanup' EXIT
start=$(date +%s.%N)
bash "$driver" scale "$cli"
echo "scale: $(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }') s" \
     "(generating, converting under Wine, q527-cli and the comparison)"
