#!/usr/bin/env bash
# Regenerates the raster-output variants of real printer descriptions in this
# folder from the installed Debian packages. The committed files are what the
# tests use; this script records how they were made.
#
# A variant keeps every line of the original (page sizes, imageable areas,
# paper dimensions, the options whose code sets HWResolution or the colour
# layout, the defaults) except the driver's filter lines, which are replaced
# by one line that makes the scheduler hand the CUPS raster that cups-filters
# and Ghostscript render straight to the queue's device.
#
# Needs: openprinting-ppds foomatic-db-compressed-ppds printer-driver-ptouch
# printer-driver-dymo printer-driver-escpr printer-driver-postscript-hp
# cups-ppdc (and cups-common for sample.drv).
set -euo pipefail
OUT="$(cd "$(dirname "$0")" && pwd)"
DRIVERS=/usr/lib/cups/driver
TMP="$(mktemp -d)"
trap 'rm -rf "$TMP"' EXIT

# variant OUTPUT PACKAGE ORIGIN FILE: writes OUT/OUTPUT from FILE.
variant() {
  local output="$1" package="$2" origin="$3" file="$4"
  local version
  version="$(dpkg-query -W -f='${Version}' "$package")"
  awk -v pkg="$package" -v ver="$version" -v origin="$origin" '
    # Driver filter lines, the multi-line foomatic-rip command lines among them.
    function dropped(line) {
      return line ~ /^\*(cupsFilter2?|cupsPreFilter|FoomaticRIPCommandLine(PDF)?|%pprRIP):/
    }
    NR == 1 {
      print
      print "*% Raster-output variant made by tests/data/real/make-variants.sh from"
      print "*% package " pkg " " ver ", " origin "."
      print "*% Only the driver filter lines were replaced; every other line is the original."
      print "*cupsFilter: \"application/vnd.cups-raster 0 -\""
      next
    }
    skipping {
      if (index($0, "\"")) { skipping = 0; afterValue = 1 }
      next
    }
    afterValue && /^\*End/ { afterValue = 0; next }
    { afterValue = 0 }
    dropped($0) {
      quotes = gsub(/"/, "\"")
      if (quotes % 2 == 1) skipping = 1; else afterValue = 1
      next
    }
    { print }
  ' "$file" > "$OUT/$output"
}

# from_driver OUTPUT PACKAGE DRIVER URI: a description a CUPS driver program lists.
from_driver() {
  local file="$TMP/$1.orig"
  "$DRIVERS/$3" cat "$4" > "$file"
  variant "$1" "$2" "URI $4" "$file"
}

from_driver hp-laserjet-1320-ps.ppd printer-driver-postscript-hp postscript-hp \
  postscript-hp:0/ppd/hplip/HP/hp-laserjet_1320-ps.ppd
from_driver epson-l3050-escpr.ppd printer-driver-escpr escpr \
  escpr:0/cups/model/epson-inkjet-printer-escpr/Epson-L3050_Series-epson-escpr-en.ppd
from_driver dymo-lw450.ppd printer-driver-dymo dymo dymo:0/cups/model/lw450.ppd
from_driver brother-ql570-ptouch.ppd printer-driver-ptouch ptouch \
  ptouch:0/ppd/ptouch-driver/Brother-QL-570-ptouch-ql.ppd
from_driver oki-c7200-ps.ppd openprinting-ppds openprinting-ppds \
  openprinting-ppds:0/ppd/openprinting/Oki/ok7200u1.ppd
from_driver brother-hl1650-foomatic-ps.ppd foomatic-db-compressed-ppds foomatic-db-compressed-ppds \
  foomatic-db-compressed-ppds:0/ppd/foomatic-ppd/Brother-HL-1650-Postscript.ppd

ppdc -d "$TMP/drv" /usr/share/cups/drv/sample.drv
variant epson9-sample-drv.ppd cups-ppdc "ppdc -d DIR /usr/share/cups/drv/sample.drv, file epson9.ppd" \
  "$TMP/drv/epson9.ppd"
