#!/bin/sh
# The main job on built-in sample data, without a tape drive: installs what
# it needs (scripts/setup.sh --demo), builds its programs, synthesizes a tape
# in scratch/demo, captures it with kovrant-sim (the real KOVRANT run against
# the simulated drive, with two damaged stretches of tape whose frames the
# drive loses), shows its capture log, converts the image with SELTHIX
# --keep-time (the gaps kept to their length and marked), after SELTHIX
# --check has told that there are gaps, shows the conversion log's gaps, the
# same from its JSON record, and a label file, checks the checksums and lists
# the WAV files. The programs speak the locale's language (Japanese under the
# C and ja locales, else English), their logs too; their console text in a
# file is code page 932 in Japanese, UTF-8 in English: it is shown here in
# UTF-8.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh --demo
DAT_TARGETS="SELTHIX kovrant-sim make_image" scripts/build.sh >/dev/null
rm -rf scratch/demo
mkdir -p scratch/demo
cd scratch/demo
../../build/tools/make_image --seed 1 --programs 5 --frames 6000 --repeat tape.bin
status=0
echo "== kovrant-sim in scratch/demo (tape: tape.bin, damaged at two places)"
KOVRANT_SIM_TAPE=tape.bin KOVRANT_SIM_FAULTS='read#2000*40=lost:03/11,read#4000*5=lost:02/03' ../../build/simdrive/kovrant-sim >kovrant.txt 2>&1 || status=$?
# The language the programs speak here, told by the key of the capture log's
# summary; the conversion log's lines below are picked by their keys in it.
if tail -n 1 KOVRANT.LOG | grep -q '^まとめ: '; then
  console() { iconv -f CP932 -t UTF-8 "$1"; }
  keys='ファイル|ギャップ|不連続|まとめ'
else
  console() { cat -- "$1"; }
  keys='File|Gaps?|Discontinuit(y|ies)|Summary'
fi
# The time display rewrites one line with carriage returns: show its last state.
console kovrant.txt | sed 's/.*\r//'
echo
echo "== KOVRANT.LOG, the capture log"
cat KOVRANT.LOG
echo
echo "== SELTHIX --check: are there gaps? (status 4: yes, 0: no; nothing written)"
check=0
../../build/converter/SELTHIX --check >/dev/null 2>&1 || check=$?
echo "exit status $check"
[ "$check" = 4 ] || status=1
echo
echo "== SELTHIX --keep-time in scratch/demo"
../../build/converter/SELTHIX --keep-time >selthix.txt 2>&1 || status=$?
console selthix.txt
echo
echo "== SELTHIX.LOG, the conversion log: its files and the gaps in them"
grep -E "^($keys): " SELTHIX.LOG
echo
echo "== SELTHIX.json, the record for scripts: the same gaps"
python3 -X utf8 -c 'import json; [print(f["name"], g["sample"], g["before"]["text"], g["after"]["text"], g["missing"], sep="\t") for f in json.load(open("SELTHIX.json"))["files"] for g in f["gaps"]]'
for labels in *.txt; do
  case "$labels" in kovrant.txt|selthix.txt) continue ;; esac
  [ -s "$labels" ] || continue
  echo
  echo "== $labels, the labels of its gaps (Audacity: File > Import > Labels)"
  cat -- "$labels"
done
echo
echo "== The files against the conversion log's checksums"
grep '^SHA-256: ' SELTHIX.LOG | cut -d' ' -f2- | sha256sum -c || status=$?
echo
echo "== WAV files"
ls -l -- *.wav
echo
echo "== The tape at a glance: open scratch/demo/SELTHIX.html in a browser"
exit $status
