#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test suite. The suites
# start what they need themselves (Xvfb, a private CUPS scheduler).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
"$ROOT/scripts/install-deps.sh"
"$ROOT/scripts/build.sh"
cd "${BUILD_DIR:-$ROOT/build}"
ctest --output-on-failure
