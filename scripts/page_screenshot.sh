#!/bin/sh
# Makes doc/page.png, the README's picture of the demo tape's page: runs the
# demo (scripts/demo.sh) and photographs scratch/demo/SELTHIX.html in
# headless Chromium, as the page tests open it (tests/browser_page.py; the
# browser and Selenium come with the tests' set of scripts/setup.sh).
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/demo.sh >/dev/null || true
python3 tests/browser_page.py scratch/demo/SELTHIX.html doc/page.png >/dev/null
echo "doc/page.png"
