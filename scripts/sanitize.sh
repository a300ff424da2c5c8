#!/usr/bin/env bash
# Builds the whole suite with clang under AddressSanitizer and UndefinedBehaviorSanitizer into
# ./build-asan and runs it headless. Any sanitizer report fails the test that hit it.
# Extra arguments go to ctest (for example: scripts/sanitize.sh -R test_chart_files).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" -DQ7320_BENCH=OFF >/dev/null
cmake --build build-asan -j"$(nproc)"
cd build-asan
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" "$@"
