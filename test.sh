#!/usr/bin/env bash
# Builds and runs every test: the normal build (with the real program and its
# smoke tests in a virtual display), then the core and bindings under
# AddressSanitizer+UndefinedBehaviorSanitizer and under ThreadSanitizer, the
# MinGW-w64 compile of the portable core and a short fuzzing run.
#   ./test.sh            everything
#   ./test.sh quick      the normal build and its tests only
set -euo pipefail
# The window checks look windows up by their Chinese titles (xdotool's regular
# expressions), which needs a UTF-8 locale; C.UTF-8 is always there on Debian.
export LC_ALL=C.UTF-8
cd "$(dirname "$0")"
JOBS=${JOBS:-$(nproc)}
mode=${1:-all}

step() { printf '\n=== %s ===\n' "$*"; }

configure_build() {  # dir, cmake args...
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$JOBS"
}

if command -v clang-format >/dev/null && [ -d .git ]; then
  step "format"
  git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
fi

step "build"
configure_build build
step "tests"
(cd build && ctest --output-on-failure -j "$JOBS")

[ "$mode" = quick ] && exit 0

step "AddressSanitizer + UndefinedBehaviorSanitizer"
configure_build build-asan -DRB_SANITIZE=address -DRB_WITH_QT=OFF
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j "$JOBS" -LE gui)

step "ThreadSanitizer"
configure_build build-tsan -DRB_SANITIZE=thread -DRB_WITH_QT=OFF
(cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ctest --output-on-failure -j "$JOBS" -LE gui)

step "portable core with MinGW-w64"
cmake -S . -B build-mingw -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
  -DRB_CORE_ONLY=ON >/dev/null
cmake --build build-mingw -j "$JOBS"

if [ -x fuzz/run.sh ]; then
  step "fuzzing (short run)"
  fuzz/run.sh 15
fi
step "all tests passed"
