#!/bin/sh
# Installation and packages: the manual pages pass groff's and man's checks;
# `cmake --install` puts the programs, pages and README in place; `cpack`
# makes the Debian package (file list, dependencies) and the Windows ZIP
# (both programs, README.txt with Windows line ends); the programs unpacked
# from the .deb into a scratch root (not installed) convert a sample image.
#
# Usage: tests/packages.sh LINUX_BUILD_DIR [WINDOWS_BUILD_DIR]
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
linux=$(cd "$1" && pwd)
windows=${2:+$(cd "$2" && pwd)}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
pass() { passed=$((passed + 1)); echo "ok   $1"; }
fail() { failed=$((failed + 1)); echo "FAIL $1${2:+: $2}"; }

for page in KOVRANT.1 SELTHIX.1 kovrant-merge.1 kovrant-collection.1; do
  warnings=$( { groff -ww -man -Tutf8 -z "$root/doc/$page"; man --warnings -l "$root/doc/$page" >/dev/null; } 2>&1)
  if [ -z "$warnings" ]; then pass "manual page $page"; else fail "manual page $page" "$warnings"; fi
  # Japanese text has no break points for this groff: those warnings aside.
  warnings=$(groff -k -ww -Wbreak -man -Tutf8 -z "$root/doc/ja/$page" 2>&1)
  if [ -z "$warnings" ]; then pass "manual page ja/$page"; else fail "manual page ja/$page" "$warnings"; fi
done

# Each page names the options its program's --help names, in its language.
options_of() { grep -a -o -- '--[a-z0-9][-a-z0-9]*' | sort -u | tr '\n' ' '; }
for prog in KOVRANT:dumper SELTHIX:converter kovrant-merge:merge kovrant-collection:collection; do
  name=${prog%%:*} dir=${prog#*:}
  for lang in en:en_US.UTF-8:doc ja:C.UTF-8:doc/ja; do
    tag=${lang%%:*} rest=${lang#*:}; locale=${rest%%:*} pages=${rest#*:}
    # The options are ASCII in either encoding.
    help=$(LC_ALL=$locale "$linux/$dir/$name" --help | options_of)
    page=$(sed -n '/^\.SH/,$p' "$root/$pages/$name.1" | grep -E '^\.(B|BR|BI|RB) ' | sed 's/\\-/-/g' | grep -- '--' | options_of)
    if [ -n "$help" ] && [ "$help" = "$page" ]; then pass "$name --help and the $tag page: $help"; else fail "$name --help and the $tag page" "help: $help / page: $page"; fi
  done
done

cmake --install "$linux" --prefix "$work/prefix" >/dev/null
missing=""
for f in bin/KOVRANT bin/SELTHIX bin/kovrant-merge bin/kovrant-collection share/man/man1/KOVRANT.1.gz \
         share/man/man1/SELTHIX.1.gz share/man/man1/kovrant-merge.1.gz \
         share/man/man1/kovrant-collection.1.gz share/man/ja/man1/kovrant-collection.1.gz \
         share/man/ja/man1/KOVRANT.1.gz share/man/ja/man1/SELTHIX.1.gz \
         share/man/ja/man1/kovrant-merge.1.gz share/doc/datrescue/doc/collection.md \
         share/doc/datrescue/schema/collection.schema.json \
         share/doc/datrescue/README.md share/doc/datrescue/copyright share/doc/datrescue/changelog.gz \
         share/doc/datrescue/schema/selthix.schema.json share/doc/datrescue/schema/kovrant.schema.json share/doc/datrescue/schema/kovrant-merge.schema.json \
         share/doc/datrescue/schema/kovrant-trace.schema.json; do
  [ -f "$work/prefix/$f" ] || missing="$missing $f"
done
if [ -z "$missing" ]; then pass "cmake --install"; else fail "cmake --install" "missing:$missing"; fi

(cd "$linux" && cpack -G DEB -B "$work/deb" >/dev/null 2>&1)
deb=$(ls "$work"/deb/*.deb 2>/dev/null | head -1)
if [ -z "$deb" ]; then
  fail "cpack -G DEB" "no package"
else
  listed=$(dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '/$' | sort | tr '\n' ' ')
  want="./usr/bin/KOVRANT ./usr/bin/SELTHIX ./usr/bin/kovrant-collection ./usr/bin/kovrant-merge ./usr/share/doc/datrescue/README.md ./usr/share/doc/datrescue/changelog.gz ./usr/share/doc/datrescue/copyright ./usr/share/doc/datrescue/doc/collection.md ./usr/share/doc/datrescue/doc/converter.md ./usr/share/doc/datrescue/doc/development.md ./usr/share/doc/datrescue/doc/dumper.md ./usr/share/doc/datrescue/doc/merge.md ./usr/share/doc/datrescue/schema/collection.schema.json ./usr/share/doc/datrescue/schema/kovrant-merge.schema.json ./usr/share/doc/datrescue/schema/kovrant-trace.schema.json ./usr/share/doc/datrescue/schema/kovrant.schema.json ./usr/share/doc/datrescue/schema/selthix.schema.json ./usr/share/man/ja/man1/KOVRANT.1.gz ./usr/share/man/ja/man1/SELTHIX.1.gz ./usr/share/man/ja/man1/kovrant-collection.1.gz ./usr/share/man/ja/man1/kovrant-merge.1.gz ./usr/share/man/man1/KOVRANT.1.gz ./usr/share/man/man1/SELTHIX.1.gz ./usr/share/man/man1/kovrant-collection.1.gz ./usr/share/man/man1/kovrant-merge.1.gz "
  if [ "$listed" = "$want" ]; then pass "the .deb holds the programs, pages and README"; else fail "the .deb file list" "$listed"; fi
  depends=$(dpkg-deb -f "$deb" Depends)
  case "$depends" in *libc6*libstdc++6*) pass "the .deb depends on $depends" ;; *) fail "the .deb dependencies" "$depends" ;; esac
  dpkg-deb -x "$deb" "$work/root"
  mkdir "$work/convert"
  "$linux/tools/make_image" --seed 3 --programs 3 --frames 600 "$work/convert/KOVRANT.IMG"
  (cd "$work/convert" && "$work/root/usr/bin/SELTHIX" >/dev/null 2>&1)
  status=$?
  wavs=$(ls "$work/convert" | grep -c '\.wav$')
  if [ "$status" = 0 ] && [ "$wavs" -ge 3 ]; then pass "SELTHIX from the .deb converts an image ($wavs files)"; else fail "SELTHIX from the .deb" "status $status, $wavs files"; fi
  version=$("$work/root/usr/bin/KOVRANT" --version)
  if [ "$version" = "KOVRANT $(dpkg-deb -f "$deb" Version)" ]; then pass "KOVRANT from the .deb: $version"; else fail "KOVRANT from the .deb" "$version"; fi
  if command -v lintian >/dev/null 2>&1; then
    echo "lintian says:"
    lintian --tag-display-limit 0 "$deb" 2>&1 | sed 's/^/  /'
  fi
fi

if [ -n "$windows" ] && [ -f "$windows/converter/SELTHIX.exe" ]; then
  (cd "$windows" && cpack -G ZIP -B "$work/zip" >/dev/null 2>&1)
  zip=$(ls "$work"/zip/*.zip 2>/dev/null | head -1)
  if [ -z "$zip" ]; then
    fail "cpack -G ZIP" "no archive"
  else
    names=$(python3 -c 'import sys, zipfile; print(" ".join(sorted(zipfile.ZipFile(sys.argv[1]).namelist())))' "$zip")
    if [ "$names" = "KOVRANT.exe README.txt SELTHIX.exe kovrant-collection.exe kovrant-merge.exe" ]; then pass "the ZIP holds $names"; else fail "the ZIP file list" "$names"; fi
    if python3 -c 'import sys, zipfile; t = zipfile.ZipFile(sys.argv[1]).read("README.txt"); sys.exit(0 if t.count(b"\n") > 5 and t.count(b"\n") == t.count(b"\r\n") else 1)' "$zip"; then
      pass "README.txt has Windows line ends"
    else
      fail "README.txt line ends"
    fi
  fi
fi

echo "packages: $passed passed, $failed failed"
[ "$failed" = 0 ]
