#!/usr/bin/env bash
# ./test.sh — installs what the tests need, builds everything and runs every
# test: the sanitizer suite, a short fuzzing round, the Windows program under
# Wine, and the native suite.
#   Q527_SKIP_WINDOWS=1  skip the cross-build and the Wine tests
#   Q527_SKIP_ASAN=1     skip the sanitizer suite
#   Q527_SKIP_TSAN=1     skip the ThreadSanitizer run of the threaded steps
#   Q527_FUZZ_SECONDS=N  seconds per fuzz target (default 10, 0 skips)
set -euo pipefail
cd "$(dirname "$0")"

jobs=$(nproc 2>/dev/null || echo 2)
fuzz_seconds=${Q527_FUZZ_SECONDS:-10}

packages=()
mapfile -t -O 0 packages < <(cat scripts/build-packages.txt scripts/test-packages.txt)
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

if [[ "${Q527_SKIP_TSAN:-0}" != 1 ]]; then
  step "ThreadSanitizer: reading, the way back and the output pass on several threads"
  cmake --preset tsan >/dev/null
  cmake --build --preset tsan -j "$jobs"
  ctest --preset tsan -j "$jobs"
fi

if [[ "$fuzz_seconds" != 0 && -x fuzz/run.sh ]]; then
  step "Fuzzing, ${fuzz_seconds} s per target"
  fuzz/run.sh "$fuzz_seconds"
fi

native_args=()
if [[ "${Q527_SKIP_WINDOWS:-0}" != 1 ]]; then
  step "q527.exe and q527-unit-tests.exe (MinGW-w64 i686, static, SSE2)"
  cmake --preset mingw >/dev/null
  cmake --build --preset mingw -j "$jobs"
  step "The same programs as 64-bit Windows (compared byte for byte)"
  cmake --preset mingw64 >/dev/null
  cmake --build --preset mingw64 -j "$jobs"
  native_args+=("-DQ527_WINDOWS_BUILD=$PWD/build/mingw" "-DQ527_WINE64_BUILD=$PWD/build/mingw64")
  # The Wine suite runs the real 32-bit programs on every machine: with
  # Debian's 32-bit Wine where the kernel runs 32-bit code, and where it
  # cannot, with a 64-bit Wine in WoW64 mode (Debian 13's, in a private
  # chroot kept in /var/cache; about 1.1 GB downloaded the first time).
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    native_args+=("-UQ527_WINE_LOADER" "-UQ527_WINE_SERVER" "-UQ527_WINE_ROAD")
  else
    step "WoW64 Wine for the 32-bit programs (this kernel cannot run 32-bit code)"
    scripts/ensure-packages.sh mmdebstrap
    scripts/wow64/wine --setup
    native_args+=("-DQ527_WINE_LOADER=$PWD/scripts/wow64/wine"
                  "-DQ527_WINE_SERVER=$PWD/scripts/wow64/wineserver"
                  "-DQ527_WINE_ROAD=WoW64 (Wine $(cat "${Q527_WOW64_ROOT:-/var/cache/q527-wow64}/.q527-ready") in a Debian 13 chroot, no 32-bit Linux code)")
  fi
else
  native_args+=("-UQ527_WINDOWS_BUILD")
fi

step "Native suite$([[ "${Q527_SKIP_WINDOWS:-0}" != 1 ]] && echo ' with the Wine end-to-end tests')"
configure_log=$(mktemp)
cmake --preset debug "${native_args[@]}" >"$configure_log" || { cat "$configure_log"; exit 1; }
# Which program the Wine suite proves, and how it runs, for the log.
sed -n 's/^-- \(Wine suite: .*\)/\1/p' "$configure_log"
rm -f "$configure_log"
cmake --build --preset debug -j "$jobs"
if [[ "${Q527_SKIP_WINDOWS:-0}" != 1 ]] && ! ctest --preset debug -N -R '^e2e\.wine' | grep -q 'Total Tests: [1-9]'; then
  echo "error: the Wine end-to-end tests were not configured (see the CMake warnings above)" >&2
  exit 1
fi
ctest --preset debug -j "$jobs"
