#!/bin/sh
# Builds the programs and tests in build/ (and, with --asan, the
# AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/, and
# with --windows the MinGW-w64 Windows programs in build-win/, and with
# --tsan the converter and its tests under ThreadSanitizer in build-tsan/:
# only they run a second thread).
# DAT_KERNEL_TESTS=ON in the environment adds the virtual-machine tests to
# the normal build's CTest (scripts/test.sh sets it); DAT_TARGETS names the
# only targets the normal build builds (scripts/demo.sh: its programs).
set -eu
cd "$(dirname "$0")/.."
for what in native "$@"; do
  targets=""
  case "$what" in
    native) dir=build; targets="${DAT_TARGETS:+--target $DAT_TARGETS}"
            set -- -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDAT_KERNEL_TESTS="${DAT_KERNEL_TESTS:-OFF}" ;;
    --asan) dir=build-asan; set -- -DCMAKE_BUILD_TYPE=Debug -DDAT_SANITIZE=ON
            command -v clang++ >/dev/null && set -- "$@" -DCMAKE_CXX_COMPILER=clang++ ;;
    --windows) dir=build-win; set -- -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake ;;
    --tsan) dir=build-tsan; targets="--target converter_tests"
            set -- -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDAT_SANITIZE_THREAD=ON
            command -v clang++ >/dev/null && set -- "$@" -DCMAKE_CXX_COMPILER=clang++ ;;
    *) echo "usage: scripts/build.sh [--asan] [--windows] [--tsan]" >&2; exit 2 ;;
  esac
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  # shellcheck disable=SC2086
  cmake --build "$dir" $targets
done
