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
  # A kernel without 32-bit support cannot start 32-bit Wine: the end-to-end
  # tests then run a 64-bit build of the same sources, and the 32-bit
  # program is checked as an image (imports, resources, flags).
  if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    step "The same program as 64-bit Windows, for the Wine tests (no 32-bit Wine here)"
    cmake --preset mingw64 >/dev/null
    cmake --build --preset mingw64 -j "$jobs"
    native_args+=("-DQ527_WINE_BUILD=$PWD/build/mingw64")
  fi
else
  native_args+=("-UQ527_WINDOWS_BUILD")
fi

step "Native suite$([[ "${Q527_SKIP_WINDOWS:-0}" != 1 ]] && echo ' with the Wine end-to-end tests')"
cmake --preset debug "${native_args[@]}" >/dev/null
cmake --build --preset debug -j "$jobs"
if [[ "${Q527_SKIP_WINDOWS:-0}" != 1 ]] && ! ctest --preset debug -N -R '^e2e\.wine' | grep -q 'Total Tests: [1-9]'; then
  echo "error: the Wine end-to-end tests were not configured (see the CMake warnings above)" >&2
  exit 1
fi
ctest --preset debug -j "$jobs"
