#!/usr/bin/env bash
# ./test.sh — installs what the tests need, builds everything and runs every
# test: the sanitizer suite, a short fuzzing round, the Windows program under
# Wine, and the native suite.
#   Q527_SKIP_WINDOWS=1  skip the cross-build and the Wine tests
#   Q527_SKIP_ASAN=1     skip the sanitizer suite
#   Q527_FUZZ_SECONDS=N  seconds per fuzz target (default 10, 0 skips)
set -euo pipefail
cd "$(dirname "$0")"

jobs=$(nproc 2>/dev/null || echo 2)
fuzz_seconds=${Q527_FUZZ_SECONDS:-10}

packages=()
mapfile -t -O 0 packages < scripts/native-packages.txt
[[ "$fuzz_seconds" != 0 ]] && mapfile -t -O "${#packages[@]}" packages < scripts/tool-packages.txt
[[ "${Q527_SKIP_WINDOWS:-0}" != 1 ]] && mapfile -t -O "${#packages[@]}" packages < scripts/windows-packages.txt
scripts/ensure-packages.sh "${packages[@]}"

step() { printf '\n=== %s\n' "$*"; }

if [[ "${Q527_SKIP_ASAN:-0}" != 1 ]]; then
  step "Sanitizer suite (AddressSanitizer + UndefinedBehaviorSanitizer)"
  cmake --preset asan >/dev/null
  cmake --build --preset asan -j "$jobs"
  ctest --preset asan -j "$jobs"
fi

if [[ "$fuzz_seconds" != 0 && -x fuzz/run.sh ]]; then
  step "Fuzzing, ${fuzz_seconds} s per target"
  fuzz/run.sh "$fuzz_seconds"
fi

native_args=()
if [[ "${Q527_SKIP_WINDOWS:-0}" != 1 ]]; then
  step "q527.exe (MinGW-w64 i686, static)"
  cmake --preset mingw >/dev/null
  cmake --build --preset mingw -j "$jobs"
  native_args+=("-DQ527_WINDOWS_BUILD=$PWD/build/mingw")
else
  native_args+=("-UQ527_WINDOWS_BUILD")
fi

step "Native suite$([[ "${Q527_SKIP_WINDOWS:-0}" != 1 ]] && echo ' with the Wine end-to-end tests')"
cmake --preset debug "${native_args[@]}" >/dev/null
cmake --build --preset debug -j "$jobs"
ctest --preset debug -j "$jobs"
