#!/usr/bin/env bash
# Tests the web page in Debian's headless Chromium: builds the page (unless
# given one), builds kestrel-cli and the tree generator natively, then runs
# tests/web with Debian's python3 and Selenium. The page is loaded from a
# local server and as the single file kestrel.html from disk; every row,
# count and output is compared with kestrel-cli's on the same inputs, every
# details panel with kestrel-info's summary, roll and check of the same file.
# Screenshots go to out/web-screenshots/ (KESTREL_SCREENSHOTS).
#
# Usage: scripts/test-web.sh [BUILD_DIR] [--page DIR] [-- TEST...]
#   BUILD_DIR   native build folder, reused when it exists (default build/web-test)
#   --page DIR  a page already built by scripts/build-web.sh (default: build one into out/web/)
#   TEST        unittest names, e.g. ServedPageTest.test_samples_picked_as_files
# Ends with the line "N passed, M failed"; exit status 1 on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)

usage() { echo "usage: scripts/test-web.sh [BUILD_DIR] [--page DIR] [-- TEST...]" >&2; exit 2; }
build=build/web-test
page=
tests=()
while [ $# -gt 0 ]; do
  case "$1" in
    --page) [ $# -ge 2 ] || usage; page=$2; shift 2 ;;
    --page=*) page=${1#--page=}; shift ;;
    --) shift; tests=("$@"); break ;;
    -*) usage ;;
    *) build=$1; shift ;;
  esac
done
die() { echo "test-web: $*" >&2; echo "0 passed, 1 failed"; exit 1; }

scripts/install-deps.sh native web || die "installing the packages failed"

if [ -z "$page" ]; then
  page=$ROOT/out/web
  scripts/build-web.sh "$page" || die "scripts/build-web.sh failed"
fi
page=$(cd "$page" && pwd)
[ -f "$page/index.html" ] && [ -f "$page/kestrel.html" ] || die "no index.html and kestrel.html in $page"

# kestrel-cli and kestrel-info are the references; make_batch_tree writes the
# trees of many files, make_long_song one long file.
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTREL_BUILD_BENCH=ON >/dev/null \
    || die "configuring $build failed"
elif ! grep -q '^KESTREL_BUILD_BENCH:BOOL=ON' "$build/CMakeCache.txt"; then
  cmake -B "$build" -DKESTREL_BUILD_BENCH=ON >/dev/null || die "configuring $build failed"
fi
cmake --build "$build" --target kestrel-cli kestrel-info make_batch_tree make_long_song -j "$(nproc)" \
  || die "building kestrel-cli and kestrel-info failed"

export KESTREL_WEB_DIR=$page
build=$(cd "$build" && pwd)
export KESTREL_CLI=$build/cli/kestrel-cli
export KESTREL_INFO=$build/info/kestrel-info
export KESTREL_MAKE_BATCH_TREE=$build/bench/make_batch_tree
export KESTREL_MAKE_LONG_SONG=$build/tests/web/native/make_long_song
export KESTREL_SAMPLES=$ROOT/samples
export KESTREL_SCREENSHOTS=${KESTREL_SCREENSHOTS:-$ROOT/out/web-screenshots}
# Debian's python3 sees Debian's Selenium (the one on the PATH may not).
exec /usr/bin/python3 -u tests/web/run_tests.py "${tests[@]}"
