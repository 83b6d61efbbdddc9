#!/bin/sh
# Sets up what is missing, checks the formatting, builds, and runs every
# test: once in the normal build (the kernel test among them; then the demo
# in two languages) and once under
# AddressSanitizer + UndefinedBehaviorSanitizer, the converter's also under
# ThreadSanitizer (its second thread), the default outputs against the
# pinned commit's programs; then builds the Windows programs and
# checks them under Wine against the Linux ones, the dumper
# also through the kernel's SCSI stack in the virtual machine; then installs
# and packages them (.deb, Windows ZIP).
set -eu
cd "$(dirname "$0")/.."
# The programs speak the language of the locale: the tests run in the C
# locale (UTF-8), and those about languages say their own.
unset LC_ALL LC_MESSAGES LANGUAGE
export LANG=C.UTF-8
started=$(date +%s)
# Each stage's heading says how long the command has run so far.
stage() { echo "== $1 (at $(($(date +%s) - started)) s)"; }
scripts/setup.sh
stage "format"
scripts/check_format.sh
stage "builds: normal, sanitizers, Windows, ThreadSanitizer, the pinned commit's"
DAT_KERNEL_TESTS=ON DAT_LINE_TABLES=1 scripts/build.sh --asan --windows --tsan --pinned
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
stage "tests, normal build"
ctest --test-dir build --output-on-failure -j2
stage "the demo, in Japanese and in English"
DAT_KERNEL_TESTS=ON DAT_LINE_TABLES=1 python3 tests/demo_languages.py
stage "tests, sanitizer build"
ctest --test-dir build-asan --output-on-failure -j2
stage "under ThreadSanitizer: the converter's tests (its second thread), the collection's --verify (both processors)"
TSAN_OPTIONS=halt_on_error=1 build-tsan/tests/converter_tests --gtest_brief=1
TSAN_OPTIONS=halt_on_error=1 python3 tests/collection.py build-tsan/collection/kovrant-collection \
  build/simdrive/kovrant-sim build/tools/make_image build/converter/SELTHIX build/merge/kovrant-merge
stage "fuzz corpus replay"
if command -v clang++ >/dev/null 2>&1; then
  bench/fuzz --replay build-asan
else
  echo "fuzz corpus replay skipped: clang++ is not installed"
fi
stage "Windows programs under Wine"
tests/windows_under_wine.sh build build-win
stage "KOVRANT.exe under Wine through the kernel's SCSI stack"
python3 tests/kernel/kernel_test.py build --windows build-win
stage "installation and packages"
tests/packages.sh build build-win
stage "all passed"
