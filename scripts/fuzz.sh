#!/usr/bin/env bash
# Runs one libFuzzer target on the sanitizer build: scripts/fuzz.sh NAME [SECONDS]
# New crash reproducers land in fuzz/NAME/crashes.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
name=${1:?usage: scripts/fuzz.sh NAME [SECONDS]}
secs=${2:-600}
bash scripts/install-deps.sh
CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
   -DE3_SANITIZE=ON -DE3_FUZZ=ON -DE3_BENCH=OFF >/dev/null
cmake --build build-asan -j "$(nproc)" --target "${name}_fuzzer"
mkdir -p "fuzz/$name/crashes"
work=$(mktemp -d)
cp -r "fuzz/$name/corpus/." "$work/"
QT_QPA_PLATFORM=offscreen "build-asan/fuzz/${name}_fuzzer" -max_total_time="$secs" \
  -artifact_prefix="fuzz/$name/crashes/" -jobs="${JOBS:-1}" "$work" "fuzz/$name/corpus"
