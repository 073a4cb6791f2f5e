#!/usr/bin/env bash
# Builds the Release benchmarks and prints every figure:
#  1. the Google Benchmark suite: one conversion of generated inputs of 1k,
#     10k, 100k and 1M events in both formats (time, bytes/s, events/s),
#     repeated to show the spread, then the growth from 10k to 1M events;
#  2. the batch benchmark: kestrel-cli converting a tree of 2,000 small files
#     side by side with a plain `cp -r` of the same tree, and their ratio.
# Usage: scripts/bench.sh [repetitions, default 5]
# Environment: KESTREL_BENCH_BUILD (build folder, default build-bench),
# KESTREL_BENCH_FILES (files in the batch tree, default 2000).
set -euo pipefail
cd "$(dirname "$0")/.."
reps="${1:-5}"
build="${KESTREL_BENCH_BUILD:-build-bench}"
files="${KESTREL_BENCH_FILES:-2000}"

scripts/install-deps.sh native
if ! command -v hyperfine >/dev/null || ! command -v python3 >/dev/null; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends hyperfine python3 >/dev/null
fi

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTREL_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target kestrel_bench make_batch_tree kestrel-cli

echo
echo "== machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"

echo
echo "== conversion benchmark ($reps repetitions; rates use CPU time)"
"$build/bench/kestrel_bench" --benchmark_repetitions="$reps" --benchmark_report_aggregates_only=true \
  --benchmark_out="$build/bench-convert.json" --benchmark_out_format=json
python3 - "$build/bench-convert.json" <<'PY'
import json, sys
runs = json.load(open(sys.argv[1]))["benchmarks"]
def get(fmt, events, stat):
    base = f"BM_Convert/format:{fmt}/events:{events}"
    named = {r["name"]: r for r in runs}
    # A single repetition reports the run itself instead of aggregates.
    return named.get(f"{base}_{stat}") or (named[base] if stat == "mean" else None)
print("\ngrowth (mean CPU time; target: 10x the events costs at most 12x the time)")
for fmt in (0, 1):
    row = []
    for a, b in ((1000, 10000), (10000, 100000), (100000, 1000000)):
        row.append(f"{a//1000}k->{b//1000}k {get(fmt, b, 'mean')['cpu_time'] / get(fmt, a, 'mean')['cpu_time']:5.1f}x")
    total = get(fmt, 1000000, 'mean')['cpu_time'] / get(fmt, 10000, 'mean')['cpu_time']
    print(f"  format {fmt}: " + "  ".join(row) + f"  |  10k->1M {total:6.1f}x (limit 144x)")
print("noise (coefficient of variation of CPU time over the repetitions)")
for fmt in (0, 1) if get(0, 1000, "cv") else ():
    cvs = [f"{e//1000}k {100 * get(fmt, e, 'cv')['cpu_time']:.1f}%" for e in (1000, 10000, 100000, 1000000)]
    print(f"  format {fmt}: " + "  ".join(cvs))
PY

echo
echo "== batch benchmark: $files small files, kestrel-cli vs cp -r"
work="$build/bench-batch"
rm -rf "$work"
mkdir -p "$work"
"$build/bench/make_batch_tree" "$work/in" "$files"
cli="$(pwd)/$build/cli/kestrel-cli"
hyperfine --warmup 1 --runs "$reps" --export-json "$work/batch.json" \
  --prepare "rm -rf $work/out-copy $work/out-cli" \
  -n "cp -r" "cp -r $work/in $work/out-copy" \
  -n "kestrel-cli" "$cli --output $work/out-cli --overwrite=all --quiet $work/in"
converted=$(find "$work/out-cli" -name '*.mmf' | wc -l)
echo "kestrel-cli wrote $converted of $files outputs"
python3 - "$work/batch.json" <<'PY'
import json, sys
res = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
cp, cli = res["cp -r"], res["kestrel-cli"]
print(f"cp -r       mean {cp['mean']*1000:8.1f} ms  min {cp['min']*1000:8.1f}  max {cp['max']*1000:8.1f}")
print(f"kestrel-cli mean {cli['mean']*1000:8.1f} ms  min {cli['min']*1000:8.1f}  max {cli['max']*1000:8.1f}")
print(f"ratio kestrel-cli / cp -r: mean {cli['mean']/cp['mean']:.2f}  (min/min {cli['min']/cp['min']:.2f}; target at most 3)")
PY
[ "$converted" -eq "$files" ]
