#!/usr/bin/env bash
# The demo: installs what is missing, builds, lays out the sample distribution and runs
# "setup.exe /q" in it under Wine in a private prefix, then tells what happened.
#   scripts/demo.sh          silent run
#   scripts/demo.sh --wizard the same distribution started without switches: on $DISPLAY when
#                            there is one, else driven under Xvfb with a screenshot of each page
#   scripts/demo.sh --bundle silent run of the one-file setup build/x64/RizodSuite-setup.exe
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"

scripts/install-deps.sh
cmake -S . -B build/x64 -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
# Every tool the wizard driver copies into its prefix (scripts/demo_wizard.py, tests/e2e/wine.py).
cmake --build build/x64 -j "$(nproc)" --target dist sample_bundle exitcode msistate holdfile wizdriver >/dev/null

if [ "${1:-}" = "--wizard" ] && [ -z "${DISPLAY:-}" ]; then
  exec /usr/bin/python3 scripts/demo_wizard.py
fi

. scripts/wine-env.sh
PREFIX="$ROOT/build/wine/demo"
wine_prefix_up "$PREFIX"
trap 'wine_prefix_down "$PREFIX"' EXIT

rm -rf "$PREFIX/drive_c/dist"
cp -r build/x64/dist "$PREFIX/drive_c/dist"
cp build/x64/bin/exitcode.exe build/x64/bin/msistate.exe "$PREFIX/drive_c/"

ARGS=(/q)
if [ "${1:-}" = "--wizard" ]; then
  ARGS=()
fi
PROGRAM='C:\dist\setup.exe'
if [ "${1:-}" = "--bundle" ]; then
  cp build/x64/RizodSuite-setup.exe "$PREFIX/drive_c/"
  PROGRAM='C:\RizodSuite-setup.exe'
fi
echo "demo: running $PROGRAM ${ARGS[*]} in $PREFIX"
code=$(wine 'C:\exitcode.exe' "$PROGRAM" "${ARGS[@]}" </dev/null 2>/dev/null | tr -d '\r' | tail -1)
LOG="$PREFIX/drive_c/Temp/DEVadirez"
echo "demo: exit code $code"
echo "demo: what the run did (from Setup.log):"
tr -d '\r' < "$LOG/Setup.log" | cut -d' ' -f3- | grep -E 'mode detected|returned|Skipping|SetupSuccess|Silent =' | sed 's/^/  /'
echo "demo: Windows Installer state of the sample packages (5 installed, -1 absent):"
for p in "Rizod Server:{6C1E2A4B-3D5F-4A71-9B20-7E8F10A2C301}" "Rizod Documentation:{6C1E2A4B-3D5F-4A71-9B20-7E8F10A2C302}" \
         "Rizod Tools:{6C1E2A4B-3D5F-4A71-9B20-7E8F10A2C303}" "Uvarud Client:{8A4D6F10-52B3-4C8E-A1D7-3F9B20C4E501}" \
         "Uvarud Language Pack:{8A4D6F10-52B3-4C8E-A1D7-3F9B20C4E502}"; do
  state=$(wine 'C:\msistate.exe' "${p#*:}" </dev/null 2>/dev/null | tr -d '\r' | tail -1)
  echo "  ${p%%:*}: $state"
done
if [ "${1:-}" = "--bundle" ]; then
  echo "demo: what the bundle did (from Bundle.log):"
  tr -d '\r' < "$LOG/Bundle.log" | cut -d' ' -f3- | tail -3 | sed 's/^/  /'
fi
echo "demo: logs in C:\\Temp\\DEVadirez = $LOG:"
(cd "$LOG" && ls -1 | sed 's/^/  /')
echo "demo: run it again to uninstall (the first product is now installed): scripts/demo.sh"
