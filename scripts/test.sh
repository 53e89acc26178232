#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: first a normal build
# (unit, gui, e2e and fuzz-smoke tests), then a clang build with AddressSanitizer
# and UndefinedBehaviorSanitizer that also builds the libFuzzer targets.
# E3_QUICK=1 skips the sanitizer build.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
bash scripts/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
# Compiler caches shared between checkouts in different folders.
export CCACHE_BASEDIR="$here" CCACHE_NOHASHDIR=1
start=$(date +%s)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
(cd build && ctest -j "$jobs" --output-on-failure --timeout 900 -L 'unit|gui|e2e|fuzz-smoke')

if [[ "${E3_QUICK:-0}" != 1 ]]; then
  echo "normal build and tests: $(( $(date +%s) - start )) s" >&2
  CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
     -DE3_SANITIZE=ON -DE3_FUZZ=ON -DE3_BENCH=OFF >/dev/null
  cmake --build build-asan -j "$jobs"
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  (cd build-asan && ctest -j "$jobs" --output-on-failure --timeout 900 -L 'unit|gui|fuzz-smoke')
fi
