#!/usr/bin/env bash
# The main job: builds the launcher and tells where it is.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
source scripts/common.sh
scripts/install-deps.sh
build_all
echo
echo "The launcher for players (32-bit): $top/build/win32/launcher.exe"
echo "The same code for Wine (x86_64):   $top/build/win64/launcher.exe"
