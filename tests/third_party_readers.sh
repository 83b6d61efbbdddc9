#!/bin/sh
# Every WAV file SELTHIX writes from a synthesized image must be accepted by
# readers that are not ours: SoX's soxi and Python's wave module.
# Usage: third_party_readers.sh SELTHIX make_image
set -eu
selthix=$1
make_image=$2
command -v soxi >/dev/null 2>&1 || { echo "soxi not installed: skipped"; exit 77; }
command -v python3 >/dev/null 2>&1 || { echo "python3 not installed: skipped"; exit 77; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
"$make_image" --seed 7 --programs 4 --frames 2000 --32k --repeat KOVRANT.IMG
"$selthix" >out.txt 2>err.txt
count=0
for f in *.wav; do
  soxi "$f" >/dev/null
  rate=$(soxi -r "$f")
  channels=$(soxi -c "$f")
  bits=$(soxi -b "$f")
  [ "$channels" = 2 ] && [ "$bits" = 16 ] || { echo "$f: $channels channels, $bits bits"; exit 1; }
  python3 - "$f" "$rate" <<'PY'
import os, sys, wave
name, rate = sys.argv[1], int(sys.argv[2])
with wave.open(name, "rb") as w:
    assert w.getnchannels() == 2 and w.getsampwidth() == 2, name
    assert w.getframerate() == rate, (name, w.getframerate(), rate)
    frames = w.getnframes()
    assert len(w.readframes(frames)) == frames * 4, name
    assert os.path.getsize(name) == 44 + frames * 4, name
PY
  count=$((count + 1))
done
[ "$count" -ge 5 ] || { echo "only $count files"; exit 1; }
echo "soxi and wave read all $count files"
