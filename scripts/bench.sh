#!/usr/bin/env bash
# The benchmark (not part of the test command): builds the plain, the signed and
# the full launcher and the publisher, then runs scripts/bench.py under Wine on a
# private Xvfb (or DISPLAY) and prints one table. Options go to bench.py, e.g.
#   scripts/bench.sh --game-gib 2      a smaller up-to-date game for P5
# It needs about 9 GiB of disk in build/bench/ for the default 8 GiB game.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
source scripts/common.sh
scripts/install-deps.sh >/dev/null
mkdir -p build
{
  build_tree build/native -DCMAKE_BUILD_TYPE=Debug &&
    BUILD_TARGET=launcher build_tree build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
      -DCMAKE_BUILD_TYPE=Release -DKORVAN_SERVER="$KORVAN_TEST_SERVER" &&
    cmake --build build/win64 --target sample_game &&
    make_test_keys &&
    BUILD_TARGET=launcher build_tree build/win64-signed -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
      -DCMAKE_BUILD_TYPE=Release -DKORVAN_SERVER="$KORVAN_TEST_SERVER" -DKORVAN_TESTS=OFF \
      -DKORVAN_RELEASE_KEY=build/keys/release-key.pub.pem &&
    BUILD_TARGET=launcher build_tree build/win64-full -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
      -DCMAKE_BUILD_TYPE=Release -DKORVAN_SERVER="$KORVAN_TEST_SERVER" -DKORVAN_TESTS=OFF $(full_options)
} >build/bench-build.log 2>&1 || { tail -40 build/bench-build.log; echo "build failed" >&2; exit 1; }

trap 'set +e; stop_display' EXIT
if [ -z "${DISPLAY:-}" ]; then
  start_display || exit 1
fi
prepare_wineprefix || exit 1
/usr/bin/python3 scripts/bench.py "$@"
