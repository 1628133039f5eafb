#!/usr/bin/env bash
# Builds the fuzzers with clang in their own tree (./build-fuzz), writes the
# seed corpora and fuzzes each target in turn for FUZZ_SECONDS (60 by
# default) shared among them. The targets are the lines of fuzz/targets.txt:
# a target fuzz_NAME reads its seeds from build-fuzz/seeds/NAME, which
# `make_fuzz_seeds FOLDER` writes, and from fuzz/seeds/NAME where that
# folder exists (seeds kept as files). A crash, a sanitizer
# report, a leak, a hang (over 30 s on one input) or more than 4 GB resident
# ends the run with a failure and leaves the input in build-fuzz/findings.
# A longer run: FUZZ_SECONDS=3600 scripts/test-fuzz.sh
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

mapfile -t TARGETS < <(grep -v '^[[:space:]]*\(#\|$\)' "$ROOT/fuzz/targets.txt")
CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DOMBRASTELE_BUILD_FUZZER=ON -DOMBRASTELE_BUILD_TESTS=OFF -DOMBRASTELE_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$BUILD" -j"$JOBS" --target make_fuzz_seeds "${TARGETS[@]/#/fuzz_}"

SEEDS="$BUILD/seeds"
FINDINGS="$BUILD/findings"
mkdir -p "$FINDINGS"
"$BUILD/fuzz/make_fuzz_seeds" "$SEEDS"

export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1:print_stacktrace=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$ROOT/tests/lsan.supp:print_suppressions=0"
# Each target gets an equal share of the time, 10 s at least.
SHARE=$(( SECONDS_TO_RUN / ${#TARGETS[@]} ))
(( SHARE < 10 )) && SHARE=10
for name in "${TARGETS[@]}"; do
  # New inputs go to the target's corpus (kept between runs); its seeds are read only.
  corpus="$BUILD/corpus/$name"
  mkdir -p "$corpus" "$SEEDS/$name"
  echo "== fuzz_$name for ${SHARE} s"
  kept=()
  [[ -d "$ROOT/fuzz/seeds/$name" ]] && kept=("$ROOT/fuzz/seeds/$name")
  "$BUILD/fuzz/fuzz_$name" "$corpus" "$SEEDS/$name" "${kept[@]}" -max_total_time="$SHARE" \
      -rss_limit_mb="$RSS_MB" -timeout=30 -max_len=65536 -print_final_stats=1 \
      -artifact_prefix="$FINDINGS/$name-"
done
