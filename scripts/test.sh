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
# The wizard's window tests need a display: a private Xvfb for the unit run.
UNIT_DISPLAY=""
for n in $(seq 70 89); do
  [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  if [ -e "/tmp/.X11-unix/X$n" ]; then UNIT_DISPLAY=":$n"; break; fi
  kill "$XVFB_PID" 2>/dev/null || true
done
trap 'wine_prefix_down "$UNIT_PREFIX"; [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null' EXIT
echo "== unit tests${UNIT_DISPLAY:+ (display $UNIT_DISPLAY)}"
export DISPLAY="$UNIT_DISPLAY"
wine_prefix_up "$UNIT_PREFIX"
(cd build/x64 && ctest --output-on-failure --timeout 300)
wine_prefix_down "$UNIT_PREFIX"
rm -rf "$UNIT_PREFIX"
unset DISPLAY
kill "$XVFB_PID" 2>/dev/null || true
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
