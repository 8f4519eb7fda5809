# Shared by the scripts: the three builds, the private X display and the Wine prefix.
# Sourced, not run.

# Prints the heading of a step, with the seconds since the script began.
phase() {
  echo "== $* [${SECONDS} s]"
}

# Loopback web server that the x86_64 test launcher is built for.
KORVAN_TEST_SERVER=${KORVAN_TEST_SERVER:-localhost:47080}
export WINEDEBUG=-all

# Configures and builds one tree (only target $BUILD_TARGET when set). Returns cmake's status.
build_tree() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; return 1; }
  cmake --build "$dir" -j2 ${BUILD_TARGET:+--target "$BUILD_TARGET"} >"$dir.build.log" 2>&1 ||
    { tail -40 "$dir.build.log"; return 1; }
}

# Makes the test release key pair build/keys/release-key.pem and .pub.pem, and
# a second pair other-key.*, once. Returns 0 when they exist.
make_test_keys() {
  /usr/bin/python3 scripts/stage/keys.py build/keys/release-key.pem build/keys/other-key.pem
}

# Prints the cmake options of the launcher with every build option: the test
# release key, and a floor of 2 that the end-to-end suite checks; resumed
# downloads; the digest cache.
full_options() {
  echo -DKORVAN_RELEASE_KEY=build/keys/release-key.pub.pem -DKORVAN_MIN_RELEASE=2
  echo -DKORVAN_RESUME=ON
  echo -DKORVAN_DIGEST_CACHE=ON
}

# Builds the libFuzzer targets natively with clang, beside the gcc tree. Returns cmake's status.
build_fuzz() {
  phase "build fuzz targets (clang, libFuzzer)"
  CC=clang CXX=clang++ build_tree build/fuzz -DCMAKE_BUILD_TYPE=Debug -DKORVAN_FUZZ=ON -DKORVAN_TESTS=OFF
}

# Builds native, x86_64 (tests under Wine), i686 (the product) and the fuzz
# targets. Returns 0 when all built.
build_all() {
  mkdir -p build
  phase "build native (sanitizers)"
  build_tree build/native -DCMAKE_BUILD_TYPE=Debug || return 1
  phase "build x86_64 (Wine, server $KORVAN_TEST_SERVER)"
  build_tree build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
    -DKORVAN_SERVER="$KORVAN_TEST_SERVER" || return 1
  phase "build x86_64 launcher with the test release key"
  make_test_keys || return 1
  BUILD_TARGET=launcher build_tree build/win64-signed -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DKORVAN_SERVER="$KORVAN_TEST_SERVER" -DKORVAN_TESTS=OFF \
    -DKORVAN_RELEASE_KEY=build/keys/release-key.pub.pem || return 1
  phase "build x86_64 launcher with every build option"
  BUILD_TARGET=launcher build_tree build/win64-full -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DKORVAN_SERVER="$KORVAN_TEST_SERVER" -DKORVAN_TESTS=OFF $(full_options) || return 1
  phase "build i686 (the product)"
  build_tree build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DKORVAN_TESTS=OFF || return 1
  phase "build i686 launcher with every build option"
  BUILD_TARGET=launcher build_tree build/win32-full -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DKORVAN_TESTS=OFF $(full_options) || return 1
  build_fuzz || return 1
}

# Starts a private Xvfb and exports DISPLAY. Returns 0 once the display answers.
start_display() {
  local n
  for n in $(seq 91 140); do
    [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ] && continue
    Xvfb :$n -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=:$n
    local deadline=$((SECONDS + 20))
    while [ $SECONDS -lt $deadline ]; do
      xwininfo -root -display :$n >/dev/null 2>&1 && return 0
      kill -0 $XVFB_PID 2>/dev/null || break
      sleep 0.1
    done
    kill $XVFB_PID 2>/dev/null
  done
  echo "no X display could be started" >&2
  return 1
}

# Ends the Wine processes of the test prefix and the private display.
stop_display() {
  if [ -n "${WINEPREFIX:-}" ]; then /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true; fi
  if [ -n "${XVFB_PID:-}" ]; then
    kill $XVFB_PID 2>/dev/null || true
    wait $XVFB_PID 2>/dev/null || true
  fi
  return 0
}

# Creates (once) the Wine prefix of the x86_64 build, with the display already set.
prepare_wineprefix() {
  export WINEPREFIX=$PWD/build/win64/wineprefix
  /usr/lib/wine/wineserver -k >/dev/null 2>&1
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    phase "creating Wine prefix"
    /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver -w
  fi
  [ -f "$WINEPREFIX/system.reg" ] || { echo "Wine prefix could not be created" >&2; return 1; }
  if [ ! -f "$WINEPREFIX/.korvan-fonts" ]; then
    /usr/lib/wine/wine64 regedit /S "Z:$PWD/scripts/wine-fonts.reg" >/dev/null 2>&1 </dev/null &&
      /usr/lib/wine/wineserver -w && touch "$WINEPREFIX/.korvan-fonts"
  fi
  # Start the server and the prefix's background services now, detached from
  # our output: started by the first test instead, they would hold its output
  # pipe open until the last Wine process ends.
  /usr/lib/wine/wineserver -p >/dev/null 2>&1 </dev/null
  /usr/lib/wine/wine64 wineboot >/dev/null 2>&1 </dev/null || true
}
