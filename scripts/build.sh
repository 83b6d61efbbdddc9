#!/bin/sh
# Builds the programs and tests in build/ (and, with --asan, the
# AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/, and
# with --windows the MinGW-w64 Windows programs in build-win/, and with
# --tsan the converter and its tests under ThreadSanitizer in build-tsan/:
# only they run a second thread).
# With --pinned, build-pinned/ holds SELTHIX and kovrant-sim of the commit
# that tests/pinned_commit names, taken from the repository's history (the
# test default_outputs compares today's programs with them).
# DAT_KERNEL_TESTS=ON in the environment adds the virtual-machine tests to
# the normal build's CTest (scripts/test.sh sets it); DAT_TARGETS names the
# only targets the normal build builds (scripts/demo.sh: its programs).
# Only the normal build carries full debugging information (for the
# debugger and perf; line tables only with DAT_LINE_TABLES set, as the test
# command sets it); the sanitizers' builds have line tables for their
# reports, the Windows programs and the pinned ones none: the builds take
# about half the time of the test command on two processors.
set -eu
cd "$(dirname "$0")/.."
for what in native "$@"; do
  targets=""
  case "$what" in
    --pinned)
      commit=$(grep -v '^#' tests/pinned_commit)
      full=$(git rev-parse --verify --quiet "$commit^{commit}") || {
        echo "the pinned commit $commit is not in this clone's history (a shallow clone?)" >&2
        exit 1
      }
      if [ "$(cat build-pinned/COMMIT 2>/dev/null)" != "$full" ]; then
        rm -rf build-pinned
        mkdir -p build-pinned/src
        git archive "$full" | tar -x -C build-pinned/src
        echo "$full" >build-pinned/COMMIT
      fi
      cmake -S build-pinned/src -B build-pinned/out -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
      cmake --build build-pinned/out --target SELTHIX kovrant-sim
      continue ;;
    native) dir=build; targets="${DAT_TARGETS:+--target $DAT_TARGETS}"
            debug=-g
            if [ -n "${DAT_LINE_TABLES:-}" ]; then debug=-g1; fi
            set -- -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 $debug -DNDEBUG" \
                   -DDAT_KERNEL_TESTS="${DAT_KERNEL_TESTS:-OFF}" ;;
    --asan) dir=build-asan; set -- -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g1" -DDAT_SANITIZE=ON
            command -v clang++ >/dev/null && set -- "$@" -DCMAKE_CXX_COMPILER=clang++ ;;
    --windows) dir=build-win; set -- -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release ;;
    --tsan) dir=build-tsan; targets="--target converter_tests kovrant-collection"
            set -- -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" -DDAT_SANITIZE_THREAD=ON
            command -v clang++ >/dev/null && set -- "$@" -DCMAKE_CXX_COMPILER=clang++ ;;
    *) echo "usage: scripts/build.sh [--asan] [--windows] [--tsan] [--pinned]" >&2; exit 2 ;;
  esac
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  # shellcheck disable=SC2086
  cmake --build "$dir" $targets
done
