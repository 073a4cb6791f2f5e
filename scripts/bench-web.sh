#!/usr/bin/env bash
# Benchmarks the web page against kestrel-cli on the same tree of small
# generated files, in the same run: kestrel-cli natively in memory (tmpfs),
# the page in headless Chromium, median of RUNS each, side by side with the
# ratio (target: the page within 3x kestrel-cli) and the page's own
# breakdown (window.kestrelTimings).
# Usage: scripts/bench-web.sh [RUNS, default 5] [--page DIR]
# Environment: KESTREL_BENCH_BUILD (native Release build, default build-bench),
# KESTREL_BENCH_FILES (default 2000), KESTREL_BENCH_TMPFS (default /dev/shm).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
runs=5
page=
while [ $# -gt 0 ]; do
  case "$1" in
    --page) page=$2; shift 2 ;;
    --page=*) page=${1#--page=}; shift ;;
    *[!0-9]*|'') echo "usage: scripts/bench-web.sh [RUNS] [--page DIR]" >&2; exit 2 ;;
    *) runs=$1; shift ;;
  esac
done
build=${KESTREL_BENCH_BUILD:-build-bench}
files=${KESTREL_BENCH_FILES:-2000}
tmpfs=${KESTREL_BENCH_TMPFS:-/dev/shm}
[ -d "$tmpfs" ] && [ -w "$tmpfs" ] || tmpfs=$ROOT/$build

scripts/install-deps.sh native web
if [ -z "$page" ]; then
  page=$ROOT/out/web
  scripts/build-web.sh "$page"
fi
page=$(cd "$page" && pwd)

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTREL_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target kestrel-cli make_batch_tree
build=$(cd "$build" && pwd)

echo
echo "== machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg); $(/usr/bin/chromium --version 2>/dev/null)"
echo "== the page against kestrel-cli: $files small files, $runs runs each"
/usr/bin/python3 -u tests/web/bench_page.py "$page" "$build/cli/kestrel-cli" "$build/bench/make_batch_tree" \
  "$files" "$runs" "$tmpfs/kestrel-bench-web.$$"
