#!/bin/sh
# Makes doc/page.png, the README's picture of the demo tape's page: runs the
# demo (scripts/demo.sh) and photographs scratch/demo/SELTHIX.html in
# headless Chromium, as the page tests open it.
set -eu
cd "$(dirname "$0")/.."
scripts/demo.sh >/dev/null || true
node tests/browser/check_page.js scratch/demo/SELTHIX.html doc/page.png >/dev/null
echo "doc/page.png"
