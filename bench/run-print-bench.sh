#!/bin/sh
# Runs the print benchmark (bench/bench_print.cpp) against a private CUPS
# scheduler: its own configuration, spool and socket in a temporary folder,
# one queue on the tests' 600 dpi A4 raster PPD whose device is /dev/null.
# New jobs are held, so the queue accepts each job (the moment measured) but
# no filter converts it: nothing competes with the next measurement for the
# processors. The scheduler is stopped and its folder removed on exit.
#
#   bench/run-print-bench.sh [BUILD_DIR] [benchmark options...]
# BUILD_DIR defaults to build-bench (a Release build with ombrastele_bench).
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build-bench}
[ $# -gt 0 ] && shift
bench=$build/bench/ombrastele_bench
[ -x "$bench" ] || { echo "no $bench: build the ombrastele_bench target first" >&2; exit 2; }

. "$here/bench/private-cupsd.sh"

queue=ombrastele-bench
lpadmin -p "$queue" -v file:///dev/null -P "$here/tests/data/raster-a4-600.ppd" -E \
    -o job-hold-until-default=indefinite
export OMBRASTELE_BENCH_QUEUE="$queue"

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) processors"
status=0
"$bench" --benchmark_filter='BM_Print|BM_Img2pdf|BM_LoadPicture' "$@" || status=$?
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
exit $status
