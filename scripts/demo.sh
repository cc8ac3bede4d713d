#!/usr/bin/env bash
# The demo: installs what is missing, builds, lays out the sample distribution and runs
# "setup.exe /q" in it under Wine in a private prefix, then tells what happened.
#   scripts/demo.sh          silent run
#   scripts/demo.sh --wizard the same distribution started without switches on $DISPLAY
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"

scripts/install-deps.sh
cmake -S . -B build/x64 -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/x64 -j "$(nproc)" --target dist exitcode >/dev/null

. scripts/wine-env.sh
PREFIX="$ROOT/build/wine/demo"
wine_prefix_up "$PREFIX"
trap 'wine_prefix_down "$PREFIX"' EXIT

rm -rf "$PREFIX/drive_c/dist"
cp -r build/x64/dist "$PREFIX/drive_c/dist"
cp build/x64/bin/exitcode.exe "$PREFIX/drive_c/exitcode.exe"

ARGS=(/q)
if [ "${1:-}" = "--wizard" ]; then
  [ -n "${DISPLAY:-}" ] || { echo "demo: --wizard needs an X display (DISPLAY is not set)"; exit 1; }
  ARGS=()
fi
echo "demo: running C:\\dist\\setup.exe ${ARGS[*]} in $PREFIX"
code=$(wine 'C:\exitcode.exe' 'C:\dist\setup.exe' "${ARGS[@]}" </dev/null 2>/dev/null | tr -d '\r' | tail -1)
LOG="$PREFIX/drive_c/Temp/DEVadirez"
echo "demo: exit code $code"
echo "demo: log C:\\Temp\\DEVadirez\\Setup.log = $LOG/Setup.log"
echo "demo: log copies: $(cd "$LOG" && ls -- *Setup.log | tr '\n' ' ')"
echo "---- Setup.log"
cat "$LOG/Setup.log" | tr -d '\r'
