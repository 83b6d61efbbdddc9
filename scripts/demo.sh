#!/bin/sh
# The main job on built-in sample data: builds, synthesizes a tape image in
# scratch/demo, runs SELTHIX there and lists the WAV files it wrote. The
# console text is Shift_JIS; it is shown here through iconv.
set -eu
cd "$(dirname "$0")/.."
DAT_WINDOWS=0 scripts/setup.sh
scripts/build.sh >/dev/null
rm -rf scratch/demo
mkdir -p scratch/demo
cd scratch/demo
../../build/tools/make_image --seed 1 --programs 5 --frames 6000 --repeat KOVRANT.IMG
echo "== SELTHIX in scratch/demo"
status=0
../../build/converter/SELTHIX >console.txt 2>&1 || status=$?
iconv -f CP932 -t UTF-8 console.txt
echo
echo "== WAV files"
ls -l -- *.wav
exit $status
