#!/usr/bin/env bash
# Installs what is missing, builds, and starts Ombrastele.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
"$ROOT/scripts/install-deps.sh"
"$ROOT/scripts/build.sh"
exec "${BUILD_DIR:-$ROOT/build}/ombrastele" "$@"
