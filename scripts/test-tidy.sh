#!/usr/bin/env bash
# clang-tidy over every source file in src/ with the checks of .clang-tidy,
# compiled as the build compiles them (its compile_commands.json); any
# finding fails. scripts/test.sh runs it after the suites.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
if ! command -v clang-tidy >/dev/null; then
  echo "test-tidy: clang-tidy is not installed (scripts/install-deps.sh installs it)" >&2
  exit 1
fi
if [[ ! -f "$BUILD_DIR/compile_commands.json" ]]; then
  echo "test-tidy: no $BUILD_DIR/compile_commands.json; build first (scripts/build.sh)" >&2
  exit 1
fi
cd "$ROOT"
log="$(mktemp)"
trap 'rm -f "$log"' EXIT
status=0
find src -name '*.cpp' -print0 | sort -z |
  xargs -0 -n 4 -P "$(nproc)" clang-tidy -p "$BUILD_DIR" --quiet --header-filter="^$ROOT/src/" \
    >"$log" 2>&1 || status=$?
# Without its count of the warnings it filtered out of system headers.
grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$' "$log" || true
if ((status != 0)); then
  echo "test-tidy: findings above" >&2
  exit 1
fi
echo "test-tidy: no findings"
