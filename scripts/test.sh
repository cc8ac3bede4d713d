#!/usr/bin/env bash
# The test command: installs what is missing, builds both architectures, then runs the
# unit tests (CTest through Wine), the end-to-end tests (pytest, real setup.exe under Wine) and
# the GUI tests (the wizard under Xvfb).
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

# A pytest run of its own: each GUI module has its own display and prefix, so they may run in parallel.
echo "== GUI tests"
if compgen -G "tests/gui/test_*.py" >/dev/null; then
  rm -rf build/x64/gui-screenshots
  /usr/bin/python3 -m pytest -q -p no:cacheprovider tests/gui
else
  echo "no GUI test modules yet"
fi
