#!/usr/bin/env bash
# Installs, with apt-get, whatever of the build and test dependencies is
# missing on a Debian 12 machine. Run as root (or with sudo available).
set -euo pipefail

PACKAGES=(
  # build
  cmake g++ make ccache pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6printsupport6 libgl-dev
  qt6-image-formats-plugins qt6-qpa-plugins
  libcups2-dev zlib1g-dev
  # tests and benchmarks
  googletest libgtest-dev libbenchmark-dev
  cups-daemon cups-client cups-filters ghostscript poppler-utils
  cups-ipp-utils dbus-daemon
  # a real one-bit label driver whose PPD renders PDF through foomatic-rip
  # (whose PostScript step needs pstops, from the cups package)
  printer-driver-ptouch cups
  xvfb xauth x11-utils xdotool imagemagick img2pdf desktop-file-utils
  fonts-dejavu-core
  # the picture-path fuzzer: clang and its libFuzzer and sanitizer runtimes
  clang libclang-rt-14-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

SUDO=""
if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
