#!/bin/sh
# Every WAV file SELTHIX writes from a synthesized image must be accepted by
# readers that are not ours: SoX's soxi and Python's wave module. A reader
# that is missing leaves out the checks that need it and makes the run
# skipped (77), or failed under CI (CI set).
# Usage: third_party_readers.sh SELTHIX make_image
set -eu
selthix=$1
make_image=$2
missing=
for reader in soxi python3; do
  command -v "$reader" >/dev/null 2>&1 && continue
  missing="$missing $reader"
  if [ -n "${CI:-}" ]; then
    echo "FAIL $reader not installed (under CI every reader must be)"
  else
    echo "$reader not installed: the checks that need it skipped"
  fi
done
have() {
  case "$missing " in *" $1 "*) return 1 ;; esac
}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
"$make_image" --seed 7 --programs 4 --frames 2000 --32k --repeat KOVRANT.IMG
"$selthix" >out.txt 2>err.txt
count=0
for f in *.wav; do
  case "$f" in
    *-48kHz*) rate=48000 ;;
    *-44.1kHz*) rate=44100 ;;
    *-32kHz*) rate=32000 ;;
    *) echo "$f: no rate in the name"; exit 1 ;;
  esac
  if have soxi; then
    soxi "$f" >/dev/null
    said="$(soxi -r "$f") $(soxi -c "$f") $(soxi -b "$f")"
    [ "$said" = "$rate 2 16" ] || { echo "$f: soxi says rate, channels, bits $said"; exit 1; }
  fi
  if have python3; then
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
  fi
  count=$((count + 1))
done
[ "$count" -ge 5 ] || { echo "only $count files"; exit 1; }
if [ -n "$missing" ]; then
  [ -n "${CI:-}" ] && exit 1
  echo "$count files read; skipped for want of:$missing"
  exit 77
fi
echo "soxi and wave read all $count files"
