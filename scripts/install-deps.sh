#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; quick when all are present.
set -euo pipefail
packages=(cmake ninja-build g++ clang python3 g++-mingw-w64-i686 g++-mingw-w64-x86-64 libz-mingw-w64-dev
          wine64 xvfb xauth x11-apps imagemagick nginx python3-pytest fonts-ipafont-gothic
          libbenchmark-dev googletest zlib1g-dev file binutils-mingw-w64-i686 libssl-dev osslsigncode openssl)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi
[ -d /usr/src/googletest ] || { echo "GoogleTest sources missing at /usr/src/googletest" >&2; exit 1; }
