#!/usr/bin/env bash
# Fuzzes one target with libFuzzer under ASan and UBSan, starting from its committed corpus.
#   scripts/fuzz.sh <target> [seconds]     e.g. scripts/fuzz.sh fuzz_text 300
# Builds into ./build-fuzz. New inputs go to build-fuzz/corpus/<target> (not committed); a
# crash is written to build-fuzz/crash-*: add it to fuzz/corpus/<target>/ once it is mended,
# so CTest keeps trying it.
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:?usage: scripts/fuzz.sh <target> [seconds]}
seconds=${2:-300}
scripts/install-deps.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQ7320_FUZZ=ON -DQ7320_TESTS=OFF -DQ7320_BENCH=OFF >/dev/null
cmake --build build-fuzz --target "$target" -j"$(nproc)"
# Inputs long enough for the target's real data: a whole logger memory image, a journal of a
# hundred records, a text file of some lines.
case "$target" in
    fuzz_decode) max_len=32768 ;;
    fuzz_realtime_journal) max_len=4096 ;;
    fuzz_chartstate) max_len=8192 ;;
    fuzz_text | fuzz_transport_log) max_len=4096 ;;
    *) max_len=1024 ;;
esac
work=$PWD/build-fuzz/corpus/$target
seeds=$PWD/fuzz/corpus/$target
mkdir -p "$work"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd build-fuzz
"fuzz/$target" -max_len=$max_len -max_total_time="$seconds" -print_final_stats=1 "$work" "$seeds"
