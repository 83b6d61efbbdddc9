#!/bin/sh
# The main job on built-in sample data, without a tape drive: builds,
# synthesizes a tape in scratch/demo, captures it with kovrant-sim (the real
# KOVRANT run against the simulated drive, with two damaged stretches of
# tape), shows its capture log, converts the image with SELTHIX and lists
# the WAV files. The console text is Shift_JIS in files; it is shown here
# through iconv.
set -eu
cd "$(dirname "$0")/.."
DAT_WINDOWS=0 scripts/setup.sh
scripts/build.sh >/dev/null
rm -rf scratch/demo
mkdir -p scratch/demo
cd scratch/demo
../../build/tools/make_image --seed 1 --programs 5 --frames 6000 --repeat tape.bin
status=0
echo "== kovrant-sim in scratch/demo (tape: tape.bin, damaged at two places)"
KOVRANT_SIM_TAPE=tape.bin KOVRANT_SIM_FAULTS='read#2000*40=03/11,read#4000*5=02/03' ../../build/simdrive/kovrant-sim >kovrant.txt 2>&1 || status=$?
# The time display rewrites one line with carriage returns: show its last state.
iconv -f CP932 -t UTF-8 kovrant.txt | sed 's/.*\r//'
echo
echo "== KOVRANT.LOG, the capture log"
cat KOVRANT.LOG
echo
echo "== SELTHIX in scratch/demo"
../../build/converter/SELTHIX >selthix.txt 2>&1 || status=$?
iconv -f CP932 -t UTF-8 selthix.txt
echo
echo "== WAV files"
ls -l -- *.wav
exit $status
