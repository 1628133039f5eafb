#!/bin/bash
# What a print costs at every size, from the command to the finished file at
# the device, against CUPS's own `lp -o ppi=N` on the same PNG, through one
# private scheduler in the same run. Three queues, each with a capture filter
# as its driver (its output lands in a file, so "finished" is the moment the
# job has completed and the file holds everything):
#   raster 600   CUPS raster, 8-bit RGB, A3 at 600 dpi (a 64-megapixel picture fits)
#   raster 1200  CUPS raster, 8-bit RGB, A4 at 1200 dpi
#   pdf 600      a PDF printer at 600 dpi (the program writes PDF; lp goes
#                through imagetopdf)
# Pictures of noise (ImageMagick), 1, 4, 16 and 64 megapixels, 7:10. For each
# program given: the median time of RUNS prints, its ratio to lp's median,
# the median time of `--info` on the same picture (decoding and the printer's
# figures: what reading the picture costs), and the peak resident memory of
# the print against the decoded picture (4 bytes a pixel).
#
# Then a sheet of copies: a 1 x 1 picture with `--copies-on-sheet fill`
# (every dot of the printable area a copy) against the same picture once, on
# each queue and to a PDF file: time, peak memory and the output's size. A
# program that runs away there is stopped after $FILL_LIMIT_S seconds or at
# $FILL_LIMIT_MB megabytes of address space.
#
#   bench/speed-table.sh [-r RUNS] [-s "1 4 16 64"] LABEL=PROGRAM [LABEL=PROGRAM ...]
# e.g. bench/speed-table.sh before=../before/build-bench/ombrastele after=build-bench/ombrastele
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
runs=3
sizes="1 4 16 64"
while getopts r:s: opt; do
    case $opt in
    r) runs=$OPTARG ;;
    s) sizes=$OPTARG ;;
    *) exit 2 ;;
    esac
done
shift $((OPTIND - 1))
[ $# -gt 0 ] || { echo "usage: $0 [-r RUNS] [-s SIZES] LABEL=PROGRAM ..." >&2; exit 2; }
labels=(); programs=()
for a in "$@"; do
    labels+=("${a%%=*}")
    p=${a#*=}
    [ -x "$p" ] || { echo "no program $p" >&2; exit 2; }
    programs+=("$(cd "$(dirname "$p")" && pwd)/$(basename "$p")")
done
command -v convert >/dev/null || { echo "ImageMagick's convert is needed to make the pictures" >&2; exit 2; }
FILL_LIMIT_S=${FILL_LIMIT_S:-60}
FILL_LIMIT_MB=${FILL_LIMIT_MB:-3000}

. "$here/bench/private-cupsd.sh"

# The driver: passes on what it is given, exactly.
capture=$dir/etc/capture-filter
printf '#!/bin/sh\nif [ -n "$6" ]; then exec cat "$6"; else exec cat; fi\n' > "$capture"
chmod 0755 "$capture"
# The tests' raster PPD at another resolution and paper; as a PDF printer
# when $4 is "pdf".
make_queue() {  # name dpi paper(A3|A4) kind
    local ppd=$dir/etc/$1.ppd size area filter
    case $3 in
    A3) size="842 1191"; area="18 18 824 1173" ;;
    A4) size="595 842"; area="18 36 582 819" ;;
    esac
    if [ "$4" = pdf ]; then
        filter="*cupsFilter2: \"application/vnd.cups-pdf application/pdf 0 $capture\""
    else
        filter="*cupsFilter: \"application/vnd.cups-raster 0 $capture\""
    fi
    sed -e "s|^\*cupsFilter: .*|$filter|" \
        -e "s|600dpi|${2}dpi|g; s|600 DPI|$2 DPI|; s|HWResolution\[600 600\]|HWResolution[$2 $2]|" \
        -e "s|A4/A4|$3/$3|g; s|: A4|: $3|; s|\[595 842\]|[$size]|g; s|\"18 36 582 819\"|\"$area\"|; s|\"595 842\"|\"$size\"|" \
        "$here/tests/data/raster-a4-600.ppd" > "$ppd"
    lpadmin -p "$1" -v "file://$dir/$1.out" -P "$ppd" -E
}
queues=(raster600 raster1200 pdf600)
dpis=(600 1200 600)
make_queue raster600 600 A3 raster
make_queue raster1200 1200 A4 raster
make_queue pdf600 600 A3 pdf

. "$here/bench/timing.sh"
fmt() { awk "BEGIN{printf \"%.2f\", $1}"; }

# One print by program $1 of picture $2 to queue $3 (or, with $3 = "file:X",
# to the PDF file X), extra options after; sets t (s), rss (KiB), rc, bytes.
# Limited in time and address space when $LIMITED is set.
print_once() {
    local program=$1 picture=$2 target=$3; shift 3
    local out
    if [ "${target#file:}" != "$target" ]; then
        out=${target#file:}; set -- --pdf "$out" "$@"
    else
        out=$dir/$target.out; set -- --printer "$target" "$@"
    fi
    rm -f "$out"
    local t0 t1
    t0=$(now)
    rc=0
    if [ -n "${LIMITED:-}" ]; then
        ( ulimit -v $((FILL_LIMIT_MB * 1024))
          exec timeout "$FILL_LIMIT_S" /usr/bin/time -f %M -o "$dir/rss" "$program" --print "$picture" "$@" ) \
            >/dev/null 2>"$dir/err" || rc=$?
    else
        /usr/bin/time -f %M -o "$dir/rss" "$program" --print "$picture" "$@" >/dev/null 2>"$dir/err" || rc=$?
    fi
    if [ $rc = 0 ] && [ "${target#file:}" = "$target" ]; then finished "$target" "$out"; fi
    t1=$(now)
    cancel -a >/dev/null 2>&1 || true
    t=$(echo "$t1 - $t0" | bc)
    rss=$(tail -1 "$dir/rss" 2>/dev/null | grep -E '^[0-9]+$' || echo 0)
    bytes=$(stat -c %s "$out" 2>/dev/null || echo 0)
}
lp_once() {  # picture queue dpi
    rm -f "$dir/$2.out"
    local t0 t1
    t0=$(now)
    lp -d "$2" -o ppi="$3" "$1" >/dev/null
    finished "$2" "$dir/$2.out"
    t1=$(now)
    t=$(echo "$t1 - $t0" | bc)
}
info_once() {  # program picture queue
    local t0 t1
    t0=$(now)
    "$1" --info "$2" --printer "$3" >/dev/null
    t1=$(now)
    t=$(echo "$t1 - $t0" | bc)
}

echo "$(nproc) processors; load before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "medians of $runs runs; times from the command to the finished output at the device"
for mp in $sizes; do
    w=$(awk "BEGIN{printf \"%d\", sqrt($mp*1e6*0.7)}")
    h=$(awk "BEGIN{printf \"%d\", $mp*1e6/$w}")
    picture=$dir/noise-$mp.png
    convert -size "${w}x${h}" xc:gray +noise Random -depth 8 "PNG24:$picture"
    decoded=$((w * h * 4))
    echo
    echo "## $mp MP: $w x $h, $(($(stat -c %s "$picture") / 1048576)) MB of PNG, $((decoded / 1048576)) MB decoded"
    for q in 0 1 2; do
        queue=${queues[$q]}; dpi=${dpis[$q]}
        : > "$dir/lp.t"
        for i in $(seq "$runs"); do lp_once "$picture" "$queue" "$dpi"; echo "$t" >> "$dir/lp.t"; done
        m_lp=$(median < "$dir/lp.t")
        line="| $queue | lp $(fmt "$m_lp") s"
        for k in "${!programs[@]}"; do
            : > "$dir/p.t"; : > "$dir/p.rss"; : > "$dir/i.t"
            for i in $(seq "$runs"); do
                print_once "${programs[$k]}" "$picture" "$queue"
                [ "$rc" = 0 ] || { echo "${labels[$k]} failed on $queue: $(cat "$dir/err")" >&2; }
                echo "$t" >> "$dir/p.t"; echo "$rss" >> "$dir/p.rss"
                info_once "${programs[$k]}" "$picture" "$queue"; echo "$t" >> "$dir/i.t"
            done
            m=$(median < "$dir/p.t"); mr=$(median < "$dir/p.rss"); mi=$(median < "$dir/i.t")
            line="$line | ${labels[$k]} $(fmt "$m") s, x$(fmt "$m / $m_lp") lp, --info $(fmt "$mi") s ($(fmt "$m / $mi") x), $((mr / 1024)) MB ($(fmt "$mr * 1024 / $decoded") x decoded)"
        done
        echo "$line |"
    done
done

echo
echo "## A sheet of copies: a 1 x 1 picture, fill against one copy"
echo "(stopped after ${FILL_LIMIT_S} s or at ${FILL_LIMIT_MB} MB of address space)"
tiny=$dir/tiny.png
convert -size 1x1 xc:'#3060c0' "PNG24:$tiny"
for target in "${queues[@]}" "file:$dir/fill.pdf"; do
    line="| ${target#file:$dir/}"
    for k in "${!programs[@]}"; do
        for copies in 1 fill; do
            if [ $copies = fill ]; then
                LIMITED=1 print_once "${programs[$k]}" "$tiny" "$target" --copies-on-sheet fill
            else
                print_once "${programs[$k]}" "$tiny" "$target"
            fi
            if [ "$rc" = 0 ]; then
                what="$(fmt "$t") s, $((rss / 1024)) MB, $(fmt "$bytes / 1048576") MB out"
            else
                what="stopped (exit $rc) after $(fmt "$t") s, $((rss / 1024)) MB"
            fi
            line="$line | ${labels[$k]} $copies: $what"
        done
    done
    echo "$line |"
done
echo
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
