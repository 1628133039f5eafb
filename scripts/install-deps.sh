#!/usr/bin/env bash
# Installs, with apt-get, whatever of the build and test dependencies is
# missing on a Debian 12 (bookworm) or Debian 13 (trixie) machine. Run as
# root (or with sudo available).
set -euo pipefail

# The few names that differ between releases. The clang runtime (libFuzzer
# and the sanitizers' libraries) is named after clang's major version, the
# one the release's `clang` package depends on.
codename=""
if [[ -r /etc/os-release ]]; then
  codename="$(. /etc/os-release && echo "${VERSION_CODENAME:-}")"
fi
case "$codename" in
  bookworm) CLANG_RT=libclang-rt-14-dev ;;
  trixie) CLANG_RT=libclang-rt-19-dev ;;
  *)
    # Another release: ask apt which clang-N the default clang is.
    major="$(apt-cache depends clang 2>/dev/null | sed -n 's/.*Depends: clang-\([0-9][0-9]*\)$/\1/p' | head -n1)"
    if [[ -z "$major" ]]; then
      echo "install-deps: cannot tell this system's clang version (codename '${codename:-unknown}');" \
           "Debian 12 and 13 are supported" >&2
      exit 1
    fi
    CLANG_RT="libclang-rt-$major-dev"
    ;;
esac

PACKAGES=(
  # build
  cmake g++ make ccache pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6printsupport6 libgl-dev
  qt6-image-formats-plugins qt6-qpa-plugins
  libcups2-dev zlib1g-dev libgnutls28-dev libpng-dev libjpeg-dev libtiff-dev libdeflate-dev
  # tests and benchmarks
  googletest libgtest-dev libbenchmark-dev
  cups-daemon cups-client cups-filters ghostscript poppler-utils
  cups-ipp-utils dbus-daemon
  # a real one-bit label driver whose PPD renders PDF through foomatic-rip
  # (whose PostScript step needs pstops, from the cups package)
  printer-driver-ptouch cups
  xvfb xauth x11-utils xdotool imagemagick img2pdf
  desktop-file-utils appstream
  fonts-dejavu-core
  # the picture-path fuzzer: clang and its libFuzzer and sanitizer runtimes
  clang "$CLANG_RT"
  # the static checks of the quick stage (scripts/test-tidy.sh)
  clang-tidy
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
