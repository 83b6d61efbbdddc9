#!/bin/sh
# The table of texts refuses, when compiling, a text without its English, an
# English with other placeholders and a Japanese console text with a
# character that code page 932 lacks; a well-formed pair compiles.
# Usage: tests/texts_compile/check.sh CXX COMMON_DIR
set -u
cxx=$1 common=$2
here=$(cd "$(dirname "$0")" && pwd)
failed=0
compile() { "$cxx" -std=c++17 -fsyntax-only -I"$common" -x c++ - 2>&1; }
for case in good:ok missing:argument other-placeholders:"has other placeholders" \
    no-cp932:"has no code page 932 form"; do
  name=${case%%:*} want=${case#*:}
  case "$name" in
    good) text='DAT_MESSAGE(kGood, "%d ファイル\n", "%d files\n");' ;;
    missing) text='DAT_MESSAGE(kMissing, "%d ファイル\n");' ;;
    other-placeholders) text='DAT_MESSAGE(kOther, "%s の %d\n", "%d of %s\n");' ;;
    no-cp932) text='DAT_MESSAGE(kNoForm, "%d 個の café\n", "%d cafés\n");' ;;
  esac
  out=$(printf '#include "texts.h"\n%s\n' "$text" | compile)
  status=$?
  if [ "$want" = ok ]; then
    [ $status = 0 ] && echo "ok   $name compiles" || { echo "FAIL $name: $out"; failed=1; }
  elif [ $status != 0 ] && echo "$out" | grep -q "$want"; then
    echo "ok   $name does not compile"
  else
    echo "FAIL $name: status $status: $out"; failed=1
  fi
done
exit $failed
