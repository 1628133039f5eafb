#!/usr/bin/env bash
# Installs what is missing, builds the program alone (no test or benchmark
# is built first), and starts Ombrastele.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
"$ROOT/scripts/install-deps.sh"
BUILD_TARGET=ombrastele "$ROOT/scripts/build.sh"
exec "${BUILD_DIR:-$ROOT/build}/ombrastele" "$@"
