#!/bin/sh
# The Windows programs, run under Wine, must agree with the Linux programs
# byte for byte: the same WAV files from the same images, the same image from
# the same simulated tape, the same console bytes once Windows line ends are
# folded, the same exit status.
#
# Usage: tests/windows_under_wine.sh LINUX_BUILD_DIR WINDOWS_BUILD_DIR
set -u
linux=$(cd "$1" && pwd)
windows=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)

if ! command -v x86_64-w64-mingw32-g++ >/dev/null 2>&1 || [ ! -f "$windows/converter/SELTHIX.exe" ]; then
  echo "wine checks skipped: no MinGW-w64 cross compiler or no Windows build"
  exit 0
fi
if command -v wine >/dev/null 2>&1; then
  wine=wine
elif [ -x /usr/lib/wine/wine64 ]; then
  wine=/usr/lib/wine/wine64
else
  echo "wine checks: wine is not installed" >&2
  exit 1
fi

work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
  timeout 30 wineserver -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
timeout 120 wineboot -i >/dev/null 2>&1 </dev/null || true

passed=0
failed=0
pass() { passed=$((passed + 1)); echo "ok   $1"; }
fail() { failed=$((failed + 1)); echo "FAIL $1${2:+: $2}"; }

# Console bytes with Windows line ends folded.
fold() { python3 -c 'import sys; sys.stdout.buffer.write(open(sys.argv[1],"rb").read().replace(b"\r\n", b"\n"))' "$1"; }

# Runs PROGRAM in DIR with its outputs in DIR/.out, DIR/.err, DIR/.status.
run_linux() { d=$1 p=$2; shift 2; (cd "$d" && timeout 120 "$p" "$@" </dev/null >.out 2>.err; echo $? >.status); }
# Wine takes the Windows UI language from LC_ALL: Japanese, as on the
# systems the programs were made for, unless WINE_LOCALE says otherwise.
run_wine() { d=$1 p=$2; shift 2; (cd "$d" && LC_ALL=${WINE_LOCALE:-ja_JP.UTF-8} timeout 120 "$wine" "$p" "$@" </dev/null >.out 2>.err; echo $? >.status); }

# Two records for machines (*.json) alike but for their times of day.
same_record() { python3 -c 'import json, sys; sys.path.insert(0, sys.argv[3]); from checks import without_times as w; sys.exit(w(json.load(open(sys.argv[1]))) != w(json.load(open(sys.argv[2]))))' "$1" "$2" "$here"; }
# Two pages (*.html, which embed the records) alike but for their times of
# day and the files' modification times (as each system counts them).
same_page() { python3 -c 'import re, sys; t = lambda p: re.sub(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d|(?<=\"modified\":)-?\d+", "TIME", open(p, encoding="utf-8").read()); sys.exit(t(sys.argv[1]) != t(sys.argv[2]))' "$1" "$2"; }

# Compares two run directories: file names, file bytes (records but for
# their times), console, status.
same_runs() {
  a=$1 b=$2
  [ "$(cd "$a" && ls)" = "$(cd "$b" && ls)" ] || { echo "files differ: $(cd "$a" && ls | tr '\n' ' ') / $(cd "$b" && ls | tr '\n' ' ')"; return 1; }
  for name in $(cd "$a" && ls); do
    case "$name" in
      *.json) same_record "$a/$name" "$b/$name" || { echo "$name differs"; return 1; } ;;
      *.html) same_page "$a/$name" "$b/$name" || { echo "$name differs"; return 1; } ;;
      *) cmp -s "$a/$name" "$b/$name" || { echo "$name differs"; return 1; } ;;
    esac
  done
  [ "$(cat "$a/.status")" = "$(cat "$b/.status")" ] || { echo "exit status $(cat "$a/.status") / $(cat "$b/.status")"; return 1; }
  fold "$a/.out" >"$work/out.a"; fold "$b/.out" >"$work/out.b"
  cmp -s "$work/out.a" "$work/out.b" || { echo "standard output differs"; return 1; }
  fold "$a/.err" >"$work/err.a"; fold "$b/.err" >"$work/err.b"
  cmp -s "$work/err.a" "$work/err.b" || { echo "standard error differs"; return 1; }
  return 0
}

# SELTHIX on the same images.
make_image="$linux/tools/make_image"
selthix_case() {
  name=$1; shift
  mkdir -p "$work/$name/l" "$work/$name/w"
  "$@"
  run_linux "$work/$name/l" "$linux/converter/SELTHIX"
  run_wine "$work/$name/w" "$windows/converter/SELTHIX.exe"
  if why=$(same_runs "$work/$name/l" "$work/$name/w"); then pass "SELTHIX $name"; else fail "SELTHIX $name" "$why"; fi
}
image() { dir=$1; shift; "$make_image" "$@" "$work/$dir/l/KOVRANT.IMG" && cp "$work/$dir/l/KOVRANT.IMG" "$work/$dir/w/"; }
raw() { dir=$1; bytes=$2; head -c "$bytes" /dev/urandom >"$work/$dir/l/KOVRANT.IMG"; cp "$work/$dir/l/KOVRANT.IMG" "$work/$dir/w/"; }

selthix_case programs image programs --seed 3 --programs 6 --frames 4000 --rate44 2
selthix_case rates-32k-repeat image rates-32k-repeat --seed 4 --programs 4 --frames 3000 --32k --repeat
selthix_case long-tail image long-tail --seed 5 --programs 2 --frames 800 --tail 500
selthix_case no-glitches image no-glitches --seed 6 --programs 3 --frames 1500 --no-glitches --rate44 0
selthix_case empty raw empty 0
selthix_case shorter-than-a-frame raw shorter-than-a-frame 5000
selthix_case missing true

# The comparison itself must catch a one-byte difference.
mkdir -p "$work/self"
cp -r "$work/programs/w" "$work/self/w"
wav=$(ls "$work/self/w" | grep '\.wav$' | tail -n 1)
printf 'X' | dd of="$work/self/w/$wav" bs=1 seek=1000 conv=notrunc 2>/dev/null
if same_runs "$work/programs/l" "$work/self/w" >/dev/null; then
  fail "a changed byte in $wav is noticed"
else
  pass "a changed byte in $wav is noticed"
fi

# kovrant-sim on the same simulated tape.
mkdir -p "$work/capture/l" "$work/capture/w"
"$make_image" --seed 8 --programs 3 --frames 2000 "$work/tape.bin"
cp "$work/tape.bin" "$work/capture/l/"; cp "$work/tape.bin" "$work/capture/w/"
export KOVRANT_SIM_TAPE=tape.bin
run_linux "$work/capture/l" "$linux/simdrive/kovrant-sim"
run_wine "$work/capture/w" "$windows/simdrive/kovrant-sim.exe"
unset KOVRANT_SIM_TAPE
if why=$(same_runs "$work/capture/l" "$work/capture/w"); then pass "kovrant-sim capture"; else fail "kovrant-sim capture" "$why"; fi
if cmp -s "$work/tape.bin" "$work/capture/w/KOVRANT.IMG"; then pass "kovrant-sim image is the tape"; else fail "kovrant-sim image is the tape"; fi

# kovrant-sim with faults: a failed READ and a drive that does not take audio mode.
mkdir -p "$work/faults/l" "$work/faults/w"
cp "$work/tape.bin" "$work/faults/l/"; cp "$work/tape.bin" "$work/faults/w/"
export KOVRANT_SIM_TAPE=tape.bin KOVRANT_SIM_FAULTS='read#50*3=02/03,read#700=fail,tur#2=fail'
run_linux "$work/faults/l" "$linux/simdrive/kovrant-sim"
run_wine "$work/faults/w" "$windows/simdrive/kovrant-sim.exe"
unset KOVRANT_SIM_TAPE KOVRANT_SIM_FAULTS
if why=$(same_runs "$work/faults/l" "$work/faults/w"); then pass "kovrant-sim with faults"; else fail "kovrant-sim with faults" "$why"; fi

# Standard output closed: no file the converter opens may take its place.
mkdir -p "$work/closed"
cp "$work/programs/w/KOVRANT.IMG" "$work/closed/"
(cd "$work/closed" && timeout 120 "$wine" "$windows/converter/SELTHIX.exe" </dev/null >&- 2>/dev/null)
bad=""
for name in $(cd "$work/programs/l" && ls | grep '\.wav$'); do
  cmp -s "$work/programs/l/$name" "$work/closed/$name" || bad="$bad $name"
done
if [ -z "$bad" ]; then pass "SELTHIX.exe with standard output closed"; else fail "SELTHIX.exe with standard output closed" "$bad"; fi

# kovrant-merge on two passes of one tape that lost frames at different places.
mkdir -p "$work/merge/p1" "$work/merge/p2" "$work/merge/l" "$work/merge/w"
(cd "$work/merge/p1" && KOVRANT_SIM_TAPE="$work/tape.bin" KOVRANT_SIM_FAULTS='read#100*9=lost:03/11' "$linux/simdrive/kovrant-sim" >/dev/null 2>&1)
(cd "$work/merge/p2" && KOVRANT_SIM_TAPE="$work/tape.bin" KOVRANT_SIM_FAULTS='read#900*4=lost:03/11' "$linux/simdrive/kovrant-sim" >/dev/null 2>&1)
run_linux "$work/merge/l" "$linux/merge/kovrant-merge" ../p1/KOVRANT.IMG ../p2/KOVRANT.IMG
run_wine "$work/merge/w" "$windows/merge/kovrant-merge.exe" ../p1/KOVRANT.IMG ../p2/KOVRANT.IMG
if why=$(same_runs "$work/merge/l" "$work/merge/w"); then pass "kovrant-merge"; else fail "kovrant-merge" "$why"; fi
if cmp -s "$work/tape.bin" "$work/merge/w/KOVRANT.IMG"; then pass "kovrant-merge.exe: the whole tape"; else fail "kovrant-merge.exe: the whole tape"; fi

# The command line: help, version, an argument neither program knows; and
# Windows' own way to ask for help, answered like --help on Linux.
for prog in KOVRANT:dumper SELTHIX:converter kovrant-merge:merge; do
  name=${prog%%:*} dir=${prog#*:}
  for args in --help --version --frobnicate "/?"; do
    case "$args" in "/?") linux_args=--help; tag=slash ;; *) linux_args=$args; tag=${args#--} ;; esac
    mkdir -p "$work/args-$name-$tag/l" "$work/args-$name-$tag/w"
    run_linux "$work/args-$name-$tag/l" "$linux/$dir/$name" "$linux_args"
    run_wine "$work/args-$name-$tag/w" "$windows/$dir/$name.exe" "$args"
    if why=$(same_runs "$work/args-$name-$tag/l" "$work/args-$name-$tag/w"); then
      pass "$name $args"
    else
      fail "$name $args" "$why"
    fi
  done
done

# An English UI language: the same English as on Linux under an English
# locale (console as UTF-8, help, logs), for a capture, its conversion, the
# help and a refused argument of each program.
mkdir -p "$work/english/l" "$work/english/w"
cp "$work/tape.bin" "$work/english/l/"; cp "$work/tape.bin" "$work/english/w/"
english_case() {
  tag=$1 pattern=$2 linux_program=$3 windows_program=$4; shift 4
  (export LANG=en_US.UTF-8 KOVRANT_SIM_TAPE=tape.bin; run_linux "$work/english/l" "$linux_program" "$@")
  (export WINE_LOCALE=en_US.UTF-8 KOVRANT_SIM_TAPE=tape.bin; run_wine "$work/english/w" "$windows_program" "$@")
  if ! why=$(same_runs "$work/english/l" "$work/english/w"); then
    fail "English: $tag" "$why"
  elif ! cat "$work/english/w/.out" "$work/english/w/.err" | grep -q "$pattern"; then
    fail "English: $tag" "no \"$pattern\" in the output"
  else
    pass "English: $tag"
  fi
}
english_case kovrant-sim "Reading the tape" "$linux/simdrive/kovrant-sim" "$windows/simdrive/kovrant-sim.exe"
grep -q "^Summary: the end of the tape" "$work/english/w/KOVRANT.LOG" || fail "English: the capture log" "$(head -3 "$work/english/w/KOVRANT.LOG")"
english_case SELTHIX "Found START ID" "$linux/converter/SELTHIX" "$windows/converter/SELTHIX.exe"
grep -q "^State: complete" "$work/english/w/SELTHIX.LOG" || fail "English: the conversion log" "$(head -3 "$work/english/w/SELTHIX.LOG")"
for prog in KOVRANT:dumper SELTHIX:converter kovrant-merge:merge; do
  name=${prog%%:*} dir=${prog#*:}
  english_case "$name --help" "^Usage: $name" "$linux/$dir/$name" "$windows/$dir/$name.exe" --help
  english_case "$name --frobnicate" "cannot be used" "$linux/$dir/$name" "$windows/$dir/$name.exe" --frobnicate
done

# The system's error texts as the dumper looks them up, one with an insert among them.
if out=$(cd "$work" && timeout 60 "$wine" "$windows/tests/win32/error_text_check.exe" </dev/null 2>&1); then
  pass "system error texts"
else
  fail "system error texts" "$(echo "$out" | tr -d '\r' | grep FAIL)"
fi

# Names from outside (arguments, paths) in the ANSI code page, shown as UTF-8.
if out=$(cd "$work" && LC_ALL=${WINE_LOCALE:-ja_JP.UTF-8} timeout 60 "$wine" "$windows/tests/win32/shown_name_check.exe" </dev/null 2>&1); then
  pass "names from outside"
else
  fail "names from outside" "$(echo "$out" | tr -d '\r' | grep FAIL)"
fi

# KOVRANT.exe with no tape drive: the open failure, the system's text, exit 1.
mkdir -p "$work/nodrive"
run_wine "$work/nodrive" "$windows/dumper/KOVRANT.exe"
expected=$(printf 'KOVRANT.EXE Ver0.1\n\203e\201[\203v\203f\203o\203C\203X\202\314\203I\201[\203v\203\223\202\311\216\270\224s\202\265\202\334\202\265\202\275\201B\n')
first=$(fold "$work/nodrive/.out" | head -n 2)
lines=$(fold "$work/nodrive/.out" | wc -l)
if [ "$first" = "$expected" ] && [ "$lines" -ge 3 ] && [ "$(cat "$work/nodrive/.status")" != 0 ] && [ ! -e "$work/nodrive/KOVRANT.IMG" ]; then
  pass "KOVRANT.exe without a tape drive"
else
  fail "KOVRANT.exe without a tape drive" "status $(cat "$work/nodrive/.status"), output: $(fold "$work/nodrive/.out" | od -c | head -5)"
fi

echo "wine: $passed passed, $failed failed"
[ "$failed" = 0 ]
