#!/bin/sh
# Installs what is missing (Debian): with --demo what scripts/demo.sh needs,
# else what building and every test need.
#     scripts/setup.sh [--demo]
set -eu
case "${1:-}" in
  --demo | "") ;;
  *) echo "usage: scripts/setup.sh [--demo]" >&2; exit 2 ;;
esac
# The demo: the compiler, CMake and Ninja; GoogleTest, since the build
# configures the tests (the demo builds only its programs); nlohmann/json
# (header only), which writes the JSON records; python3 and iconv
# (libc-bin), which the demo runs.
packages="cmake ninja-build g++ libgtest-dev nlohmann-json3-dev python3 libc-bin"
if [ "${1:-}" != --demo ]; then
  packages="$packages clang clang-format sox"
  # Independent readers of the WAV files' chunks: ffprobe, sndfile-info and
  # MediaInfo; of the JSON records: a JSON Schema validator.
  packages="$packages ffmpeg sndfile-programs mediainfo python3-jsonschema"
  # Speech for the long-play tests.
  packages="$packages espeak-ng"
  # The kernel test: a virtual machine (its kernel and busybox are fetched by
  # the test itself, unpacked, not installed).
  packages="$packages qemu-system-x86 cpio"
  # Installation and packages: dpkg-shlibdeps, groff, man and lintian for the checks.
  packages="$packages dpkg-dev groff-base man-db lintian"
  # The pages checked in a real browser (tests/pages.py through
  # tests/browser_page.py): Chromium driven by Selenium, and a Japanese font.
  packages="$packages chromium chromium-driver python3-selenium fonts-ipafont-gothic"
  # The Windows programs: cross compiler, and Wine to run them.
  packages="$packages g++-mingw-w64-x86-64 wine wine64"
fi
missing=""
for p in $packages; do
  case "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" in
    *" ok installed" | *" ok triggers-pending" | *" ok triggers-awaited") ;;
    *) missing="$missing $p" ;;
  esac
done
[ -z "$missing" ] && exit 0
echo "installing:$missing"
sudo=""
[ "$(id -u)" = 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
# shellcheck disable=SC2086
$sudo apt-get install -y -qq --no-install-recommends $missing >/dev/null
