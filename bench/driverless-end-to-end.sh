#!/bin/sh
# A driverless printer as most are sold, end to end: `ombrastele --print`
# against CUPS's own `lp -o ppi=N` on the same PNG, from the command to the
# document kept by the printer. The printer is ippeveprinter answering with
# a real printer's own attributes (the Canon MX490's by default, which lists
# Apple and PWG raster, so CUPS makes its queue for Apple raster), behind a
# queue made with `lpadmin -m everywhere` on a private scheduler. Prints each
# run, the medians and their ratio.
#
#   bench/driverless-end-to-end.sh [BUILD_DIR] [RUNS] [WIDTH] [HEIGHT] [RESPONSE]
# BUILD_DIR defaults to build-bench (a Release build with the program and
# printer_attributes); 3 runs of a 2400 x 3200 picture by default; RESPONSE
# is a raw Get-Printer-Attributes response (default: the Canon's, in the
# shared folder beside the project).
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build-bench}
runs=${2:-3}
width=${3:-2400}
height=${4:-3200}
response=${5:-$here/../shared/realipp/Canon_MX490_series.res}
program=$build/ombrastele
attributes=$build/bench/printer_attributes
for f in "$program" "$attributes"; do
    [ -x "$f" ] || { echo "no $f: build the ombrastele and printer_attributes targets first" >&2; exit 2; }
done
command -v ippeveprinter >/dev/null || { echo "ippeveprinter (cups-ipp-utils) is needed" >&2; exit 2; }
command -v convert >/dev/null || { echo "ImageMagick's convert is needed to make the picture" >&2; exit 2; }

. "$here/bench/private-cupsd.sh"

# The printer, with a bus of its own so it registers nothing on the network;
# its print command does nothing (without one ippeveprinter pretends to
# print for seconds), and it keeps each document (-k).
mkdir -p "$dir/printer"
"$attributes" "$response" > "$dir/printer.conf"
cat > "$dir/dbus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig><type>system</type><listen>unix:path=$dir/bus</listen><auth>EXTERNAL</auth>
<policy context="default"><allow user="*"/><allow own="*"/><allow send_destination="*"/>
<allow receive_sender="*"/></policy></busconfig>
CONF
dbus-daemon --nofork --config-file="$dir/dbus.conf" >/dev/null 2>&1 &
bus_pid=$!
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
sleep 0.5
DBUS_SYSTEM_BUS_ADDRESS=unix:path=$dir/bus ippeveprinter -n localhost -p "$port" -r off \
    -d "$dir/printer" -k -a "$dir/printer.conf" -c /bin/true bench-printer >"$dir/printer.log" 2>&1 &
printer_pid=$!
trap 'kill $printer_pid $bus_pid 2>/dev/null || true; cleanup' EXIT INT TERM
i=0
until python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 1)" 2>/dev/null; do
    i=$((i + 1)); [ $i -lt 100 ] || { echo "the printer did not come up:" >&2; cat "$dir/printer.log" >&2; exit 1; }; sleep 0.1
done
queue=driverless-e2e
lpadmin -p "$queue" -v "ipp://127.0.0.1:$port/ipp/print" -m everywhere -E
dpi=$("$program" --info "$here/resources/ombrastele-48.png" --printer "$queue" 2>/dev/null |
      sed -n 's/.*Resolution *\([0-9]*\) x .*/\1/p' | head -1)
format=$("$program" --info "$here/resources/ombrastele-48.png" --printer "$queue" 2>/dev/null | sed -n 's/.*Sent as *//p')

picture=$dir/picture.png
convert -size "${width}x${height}" xc:gray +noise Random -depth 8 "PNG24:$picture"

now() { date +%s.%N; }
# Finished: the scheduler is done with the job and the printer has kept a
# document that has stopped growing.
finished() {
    while [ -n "$(lpstat -o "$queue" 2>/dev/null)" ]; do sleep 0.02; done
    last=-1
    while :; do
        size=$(du -sb "$dir/printer" | cut -f1)
        [ "$size" = "$last" ] && break
        last=$size
        sleep 0.05
    done
}
median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

echo "printer: $(basename "$response"), $format at $dpi dpi"
echo "picture ${width} x ${height} ($(awk "BEGIN{print $width*$height/1e6}") megapixels)"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) processors"
ours=$dir/ours.txt; theirs=$dir/theirs.txt
: > "$ours"; : > "$theirs"
for i in $(seq "$runs"); do
    rm -f "$dir/printer"/*
    t0=$(now)
    "$program" --print "$picture" --printer "$queue"
    finished
    echo "$(now) - $t0" | bc >> "$ours"
    rm -f "$dir/printer"/*
    t0=$(now)
    lp -d "$queue" -o ppi="$dpi" "$picture" >/dev/null
    finished
    echo "$(now) - $t0" | bc >> "$theirs"
    echo "run $i: ombrastele $(tail -1 "$ours") s, lp $(tail -1 "$theirs") s"
done
m_ours=$(median < "$ours"); m_theirs=$(median < "$theirs")
echo "median: ombrastele $m_ours s, lp -o ppi=$dpi $m_theirs s, ratio $(echo "scale=2; $m_ours / $m_theirs" | bc)"
