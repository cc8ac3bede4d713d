#!/usr/bin/env bash
# Builds both architectures: build/x64 (with tests) and build/i686 (the shipped programs only).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
JOBS="${JOBS:-$(nproc)}"

build() {  # build DIR TOOLCHAIN TESTS
  cmake -S "$ROOT" -B "$ROOT/build/$1" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-$2.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DSETUP_BUILD_TESTS="$3" >/dev/null
  local log="$ROOT/build/$1/build.log"
  if ! cmake --build "$ROOT/build/$1" -j "$JOBS" >"$log" 2>&1; then
    grep -E 'error|Error' "$log" | head -40
    echo "build: $1 failed (full output in $log)"
    return 1
  fi
  grep -E 'warning:' "$log" || true
  echo "build: $1 done"
}

build x64 x86_64 ON
build i686 i686 OFF

# The i686 programs cannot run here; check that they are 32-bit PE files of sensible size.
for f in setup.exe progress.exe bundle_stub.exe setup_en-US.dll setup_fr-CA.dll VerifySSRS.exe; do
  path="$ROOT/build/i686/bin/$f"
  i686-w64-mingw32-objdump -f "$path" | grep -q 'file format pei-i386' || { echo "build: $f is not an i386 PE file"; exit 1; }
  size=$(stat -c %s "$path")
  echo "build: i686 $f $size bytes"
  [ "$size" -lt 20000000 ] || { echo "build: $f is unexpectedly large"; exit 1; }
done
