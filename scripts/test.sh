#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test suite. The suites
# start what they need themselves (Xvfb, a private CUPS scheduler).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
"$ROOT/scripts/install-deps.sh"
"$ROOT/scripts/build.sh"
(cd "${BUILD_DIR:-$ROOT/build}" && ctest --output-on-failure)
# Static checks of src/ (.clang-tidy), on the same build's compile commands.
"$ROOT/scripts/test-tidy.sh"

# Reliability stages, each in its own build tree: the whole suite again under
# AddressSanitizer and UndefinedBehaviorSanitizer, then a minute of fuzzing
# shared by the fuzz targets. Skip with OMBRASTELE_QUICK_TEST=1.
if [[ "${OMBRASTELE_QUICK_TEST:-0}" != 1 ]]; then
  "$ROOT/scripts/test-sanitizers.sh"
  "$ROOT/scripts/test-fuzz.sh"
fi
