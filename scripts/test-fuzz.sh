#!/usr/bin/env bash
# Builds the picture-path fuzzer with clang in its own tree (./build-fuzz),
# writes the seed corpus and fuzzes for FUZZ_SECONDS (60 by default). A
# crash, a sanitizer report, a leak, a hang (over 30 s on one input) or more
# than 4 GB resident ends the run with a failure and leaves the input in
# build-fuzz/findings. A longer run: FUZZ_SECONDS=3600 scripts/test-fuzz.sh
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${FUZZ_BUILD_DIR:-$ROOT/build-fuzz}"
JOBS="${JOBS:-$(nproc)}"
SECONDS_TO_RUN="${FUZZ_SECONDS:-60}"
# The sanitizer's allocator keeps what it took for each size of block, so
# the resident size climbs with no leak: 1.5 GB after one fast minute on an
# idle machine, 1.7 GB after 25 slow minutes on a busy one. The limit leaves
# room for that; a single picture is refused above 1 GB anyway.
RSS_MB="${FUZZ_RSS_MB:-4096}"

CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DOMBRASTELE_BUILD_FUZZER=ON -DOMBRASTELE_BUILD_TESTS=OFF -DOMBRASTELE_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$BUILD" -j"$JOBS" --target fuzz_picture make_fuzz_seeds

SEEDS="$BUILD/seeds"
CORPUS="$BUILD/corpus"
FINDINGS="$BUILD/findings"
mkdir -p "$CORPUS" "$FINDINGS"
"$BUILD/fuzz/make_fuzz_seeds" "$SEEDS"

export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1:print_stacktrace=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$ROOT/tests/lsan.supp:print_suppressions=0"
# New inputs go to CORPUS (kept between runs); SEEDS is read only.
"$BUILD/fuzz/fuzz_picture" "$CORPUS" "$SEEDS" -max_total_time="$SECONDS_TO_RUN" \
    -rss_limit_mb="$RSS_MB" -timeout=30 -max_len=65536 -print_final_stats=1 \
    -artifact_prefix="$FINDINGS/"
