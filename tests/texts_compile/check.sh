#!/bin/sh
# The table of texts refuses, when compiling, a text without its English, an
# English with other placeholders, a Japanese console text with a character
# that code page 932 lacks, and a wrong argument to a text wherever it is
# formatted (the console, a text, a log line); a well-formed pair and its
# right arguments compile.
# Usage: tests/texts_compile/check.sh CXX COMMON_DIR
set -u
cxx=$1 common=$2
here=$(cd "$(dirname "$0")" && pwd)
failed=0
compile() { "$cxx" -std=c++17 -fsyntax-only -Werror=format -I"$common" -x c++ - 2>&1; }
two='DAT_MESSAGE(kTwo, "%s: %d 件\n", "%s: %d items\n");'
for case in good:ok missing:argument other-placeholders:"has other placeholders" \
    no-cp932:"has no code page 932 form" right-arguments:ok wrong-console:format \
    wrong-text:format wrong-log:format too-few:format; do
  name=${case%%:*} want=${case#*:}
  case "$name" in
    good) text='DAT_MESSAGE(kGood, "%d ファイル\n", "%d files\n");' ;;
    missing) text='DAT_MESSAGE(kMissing, "%d ファイル\n");' ;;
    other-placeholders) text='DAT_MESSAGE(kOther, "%s の %d\n", "%d of %s\n");' ;;
    no-cp932) text='DAT_MESSAGE(kNoForm, "%d 個の café\n", "%d cafés\n");' ;;
    right-arguments) text="$two"'
      void f(LogFile& log) { printStdout(kTwo, "a", 1); textOf(kTwo, "b", 2); log.line(kTwo, "c", 3); }' ;;
    wrong-console) text="$two"' void f() { printStdout(kTwo, 1, 2.0); }' ;;
    wrong-text) text="$two"' void f() { textOf(kTwo, "a", "b"); }' ;;
    wrong-log) text="$two"' void f(LogFile& log) { log.line(kTwo, 5L, 1); }' ;;
    too-few) text="$two"' void f() { printStderr(kTwo, "a"); }' ;;
  esac
  out=$(printf '#include "console.h"\n#include "log_file.h"\n%s\n' "$text" | compile)
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
