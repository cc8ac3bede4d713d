#!/usr/bin/env bash
# The test command: installs what is missing, builds both architectures, then runs the
# unit tests (CTest through Wine) and the end-to-end tests (pytest, real setup.exe under Wine).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"

scripts/install-deps.sh
scripts/check-layers.sh
scripts/build.sh

. scripts/wine-env.sh
UNIT_PREFIX="$ROOT/build/wine/unit"
trap 'wine_prefix_down "$UNIT_PREFIX"' EXIT
echo "== unit tests"
wine_prefix_up "$UNIT_PREFIX"
(cd build/x64 && ctest --output-on-failure --timeout 300)
wine_prefix_down "$UNIT_PREFIX"
rm -rf "$UNIT_PREFIX"
trap - EXIT

echo "== end-to-end tests"
/usr/bin/python3 -m pytest -q -p no:cacheprovider tests/e2e
