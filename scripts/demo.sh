#!/usr/bin/env bash
# The main job, live: installs what is missing, builds, publishes a small sample
# game with korvan-publish, serves it with nginx on 127.0.0.1:47080, runs the
# launcher under Wine (on your display when DISPLAY is set, otherwise on a
# private Xvfb) and tells what happened: files brought up to date, log lines
# received on UDP port 514, the game started with its arguments, a screenshot.
# Everything it starts is stopped again.
#   scripts/demo.sh                 first run: an update from an empty folder;
#                                   later runs: an up-to-date game
#   scripts/demo.sh --new-release   publishes release 2 (two files changed, one added)
#   scripts/demo.sh --fresh         starts again from an empty player's folder
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
source scripts/common.sh
scripts/install-deps.sh
mkdir -p build
build_all >build/demo-build.log 2>&1 || { cat build/demo-build.log; echo "build failed" >&2; exit 1; }
echo "== Built: build/win32/launcher.exe (the product), build/win64-signed/launcher.exe (run here under Wine, with the demo's release key)"

# The helpers of common.sh are written for scripts without -e: call them in a test.
trap 'set +e; stop_display' EXIT
if [ -z "${DISPLAY:-}" ]; then
  start_display || exit 1
  echo "== No DISPLAY: the launcher runs on a private Xvfb display $DISPLAY"
fi
prepare_wineprefix || exit 1
/usr/bin/python3 scripts/demo.py "$@"
