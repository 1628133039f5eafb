#!/bin/sh
# From the command to the finished raster at the device: `ombrastele --print`
# against CUPS's own `lp -o ppi=N` on the same PNG, one picture pixel per
# dot both, through one private scheduler in the same run. The queue is the
# tests' 600 dpi A4 raster PPD; a capture filter stands in for the driver
# and its output lands in a file, so "finished" is the moment the job has
# completed and the file holds the whole raster. Prints each run, the
# medians, their ratio and our process's peak memory against the decoded
# picture.
#
#   bench/end-to-end.sh [BUILD_DIR] [RUNS] [WIDTH] [HEIGHT]
# BUILD_DIR defaults to build-bench (a Release build with the program);
# 3 runs of a 3200 x 4700 (15 megapixel) picture by default.
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build-bench}
runs=${2:-3}
width=${3:-3200}
height=${4:-4700}
program=$build/ombrastele
[ -x "$program" ] || { echo "no $program: build the ombrastele target first" >&2; exit 2; }
command -v convert >/dev/null || { echo "ImageMagick's convert is needed to make the picture" >&2; exit 2; }

. "$here/bench/private-cupsd.sh"

# The driver: passes on what it is given, exactly.
capture=$dir/etc/capture-filter
printf '#!/bin/sh\nif [ -n "$6" ]; then exec cat "$6"; else exec cat; fi\n' > "$capture"
chmod 0755 "$capture"
sed "s|\"application/vnd.cups-raster 0 -\"|\"application/vnd.cups-raster 0 $capture\"|" \
    "$here/tests/data/raster-a4-600.ppd" > "$dir/etc/queue.ppd"
queue=ombrastele-e2e
out=$dir/out.ras
lpadmin -p "$queue" -v "file://$out" -P "$dir/etc/queue.ppd" -E

picture=$dir/picture.png
convert -size "${width}x${height}" xc:gray +noise Random -depth 8 "PNG24:$picture"
decoded=$((width * height * 4))

. "$here/bench/timing.sh"

echo "picture ${width} x ${height} ($(awk "BEGIN{print $width*$height/1e6}") megapixels), $(stat -c %s "$picture") bytes of PNG"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) processors"
ours=$dir/ours.txt; theirs=$dir/theirs.txt; peaks=$dir/peaks.txt
: > "$ours"; : > "$theirs"; : > "$peaks"
for i in $(seq "$runs"); do
    rm -f "$out"
    t0=$(now)
    /usr/bin/time -f %M -o "$dir/rss" "$program" --print "$picture" --printer "$queue"
    finished "$queue" "$out"
    t1=$(now)
    echo "$t1 - $t0" | bc >> "$ours"
    cat "$dir/rss" >> "$peaks"
    ours_size=$(stat -c %s "$out")

    rm -f "$out"
    t0=$(now)
    lp -d "$queue" -o ppi=600 "$picture" >/dev/null
    finished "$queue" "$out"
    t1=$(now)
    echo "$t1 - $t0" | bc >> "$theirs"
    echo "run $i: ombrastele $(tail -1 "$ours") s ($ours_size bytes of raster), lp $(tail -1 "$theirs") s ($(stat -c %s "$out") bytes)"
done
m_ours=$(median < "$ours"); m_theirs=$(median < "$theirs"); m_peak=$(median < "$peaks")
echo "median: ombrastele $m_ours s, lp -o ppi=600 $m_theirs s, ratio $(echo "scale=2; $m_ours / $m_theirs" | bc)"
echo "ombrastele peak resident $((m_peak / 1024)) MB, $(echo "scale=2; $m_peak * 1024 / $decoded" | bc) x the decoded picture ($((decoded / 1048576)) MB)"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
