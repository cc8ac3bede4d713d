#!/usr/bin/env bash
# Installs, from Debian's packages, everything the build and the tests need.
# Safe to run again: it only calls apt-get when a package is missing.
set -euo pipefail

PACKAGES=(
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools
  wine wine64 wixl xvfb xdotool imagemagick python3-pytest googletest cmake
  gcab osslsigncode openssl python3-jsonschema python3-yaml
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q >/dev/null
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
echo "install-deps: done"
