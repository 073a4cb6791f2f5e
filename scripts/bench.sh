#!/usr/bin/env bash
# Builds the Release benchmarks and prints every figure:
#  0. the engine alone against the engine of an older commit (default
#     94315ed), both built here with the same flags and run alternately: ns
#     per file and MB/s on the tree of 2,000 small generated files, ms and
#     MB/s on files of 100k and 1M events in both formats, the ratios, the
#     growth from 100k to 1M events, the peak heap of a 1M-event conversion
#     and, with valgrind, the instruction counts (load-independent);
#  1. the Google Benchmark suite: one conversion of generated inputs of 1k,
#     10k, 100k and 1M events in both formats (time, bytes/s, events/s),
#     repeated to show the spread, then the growth from 10k to 1M events;
#  2. the batch benchmark: kestrel-cli converting a tree of 2,000 small files
#     side by side with a plain `cp -r` of the same tree, and their ratio,
#     in memory (tmpfs) and on disk;
#  3. the growth with the size of one folder: kestrel-cli -q on folders of
#     50,000, 100,000 and 200,000 entries (none of them VELA files), whose
#     CPU time must grow linearly (2x the entries, about 2x the time);
#  4. as fast as a copy: kestrel-cli with 1 and 2 jobs against cp -r of the
#     same trees of 2,000 and 200,000 files in memory, runs interleaved: the
#     median ratio of 5 (targets: one job at most 1.5, two jobs at most 1.0),
#     its range, the time per file at both sizes (flat) and the system calls
#     per file of both programs.
# Usage: scripts/bench.sh [repetitions, default 5]
# Environment: KESTREL_BENCH_BUILD (build folder, default build-bench),
# KESTREL_BENCH_ENGINE_BASE (the commit whose engine section 0 compares
# against, default 94315ed), KESTREL_BENCH_CALLGRIND (0 skips the
# instruction counts),
# KESTREL_BENCH_FILES (files in the batch tree, default 2000),
# KESTREL_BENCH_TMPFS (memory-backed folder, default /dev/shm),
# KESTREL_BENCH_SECTIONS (the sections to run, default "convert batch folders
# copy"; the copy section alone takes about 5 minutes on idle cores),
# KESTREL_BENCH_COPY_FILES (tree sizes of section 4, default 2000,200000),
# KESTREL_BENCH_BASELINE (another kestrel-cli, for instance an older build,
# measured beside this one in section 4), KESTREL_BENCH_STRACE_MAX (largest
# tree whose system calls are counted, default 2000).
set -euo pipefail
cd "$(dirname "$0")/.."
reps="${1:-5}"
build="${KESTREL_BENCH_BUILD:-build-bench}"
files="${KESTREL_BENCH_FILES:-2000}"
sections=" ${KESTREL_BENCH_SECTIONS:-engine convert batch folders copy} "
section() { [[ "$sections" == *" $1 "* ]]; }

scripts/install-deps.sh native
if ! command -v hyperfine >/dev/null || ! command -v python3 >/dev/null || ! command -v strace >/dev/null; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends hyperfine python3 strace >/dev/null
fi

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTREL_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target kestrel_bench make_batch_tree kestrel-cli

echo
echo "== machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"

if section engine; then
base_rev="${KESTREL_BENCH_ENGINE_BASE:-94315ed}"
echo
echo "== engine alone: this tree against the engine of $base_rev (same flags, run alternately, best CPU time)"
base_src="$build/engine-base-src"
rm -rf "$base_src"
mkdir -p "$base_src"
git archive "$base_rev" engine | tar -x -C "$base_src"
cmake -S bench/engine-compare -B "$build/engine-lean" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake -S bench/engine-compare -B "$build/engine-base" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DKESTREL_ENGINE_DIR="$(pwd)/$base_src/engine" >/dev/null
cmake --build "$build/engine-lean" -j2 >/dev/null
cmake --build "$build/engine-base" -j2 >/dev/null
results="$build/engine-compare-results"
rm -rf "$results"
mkdir -p "$results"
for run in $(seq 1 "$reps"); do
  "$build/engine-base/engine_bench" times 3 >"$results/base-$run.txt"
  "$build/engine-lean/engine_bench" times 3 >"$results/lean-$run.txt"
done
for which in base lean; do
  for fmt in 0 1; do
    "$build/engine-$which/engine_peak" "$fmt" >"$results/peak-$which-f$fmt.txt"
  done
done
if [ "${KESTREL_BENCH_CALLGRIND:-1}" != 0 ] && command -v valgrind >/dev/null; then
  for which in base lean; do
    for case in small f0 f1; do
      valgrind --tool=callgrind --callgrind-out-file=/dev/null --toggle-collect='*ConvertOne*' \
        "$build/engine-$which/engine_bench" work "$case" 1 2>&1 \
        | sed -n 's/.*refs: *//p' | tr -d , >"$results/ir-$which-$case.txt"
    done
  done
fi
python3 bench/engine-compare/summarize.py "$results" "$base_rev"
fi

if section convert; then
echo
echo "== conversion benchmark ($reps repetitions; rates use CPU time)"
bench_flags=(--benchmark_repetitions="$reps" --benchmark_report_aggregates_only=true
             --benchmark_enable_random_interleaving=true)
"$build/bench/kestrel_bench" "${bench_flags[@]}" \
  --benchmark_out="$build/bench-convert.json" --benchmark_out_format=json
summarize_growth() {
  python3 - "$1" <<'PY'
import json, sys
runs = {r["name"]: r for r in json.load(open(sys.argv[1]))["benchmarks"]}
def get(fmt, events, stat):
    base = f"BM_Convert/format:{fmt}/events:{events}"
    # A single repetition reports the run itself instead of aggregates.
    return runs.get(f"{base}_{stat}") or (runs.get(base) if stat == "mean" else None)
print("growth (mean CPU time; target: 10x the events costs at most 12x the time, so 10k->1M at most 144x)")
for fmt in (0, 1):
    row = []
    for a, b in ((1000, 10000), (10000, 100000), (100000, 1000000)):
        if get(fmt, a, "mean") and get(fmt, b, "mean"):
            ratio = get(fmt, b, "mean")["cpu_time"] / get(fmt, a, "mean")["cpu_time"]
            row.append(f"{a//1000}k->{b//1000}k {ratio:5.1f}x")
    total = get(fmt, 1000000, "mean")["cpu_time"] / get(fmt, 10000, "mean")["cpu_time"]
    print(f"  format {fmt}: " + "  ".join(row) + f"  |  10k->1M {total:6.1f}x")
if get(0, 10000, "cv"):
    print("noise (coefficient of variation of CPU time over the repetitions)")
    for fmt in (0, 1):
        cvs = [f"{e//1000}k {100 * get(fmt, e, 'cv')['cpu_time']:.1f}%"
               for e in (1000, 10000, 100000, 1000000) if get(fmt, e, "cv")]
        print(f"  format {fmt}: " + "  ".join(cvs))
PY
}
summarize_growth "$build/bench-convert.json"

# Blocks above 32 MiB (the 1M-event lists) go back to the kernel after every
# conversion and come back as fresh zeroed pages, which the smaller sizes do
# not pay in a loop. The same growth with glibc keeping its memory shows the
# engine's own share.
echo
echo "== the same with the heap kept between conversions (MALLOC_MMAP_THRESHOLD_)"
MALLOC_MMAP_THRESHOLD_=2000000000 MALLOC_TRIM_THRESHOLD_=4000000000 \
  "$build/bench/kestrel_bench" "${bench_flags[@]}" --benchmark_filter='events:(10000|1000000)$' \
  --benchmark_out="$build/bench-convert-kept-heap.json" --benchmark_out_format=json >/dev/null
summarize_growth "$build/bench-convert-kept-heap.json"
fi

# The batch runs twice: in memory (tmpfs), where the figures show the cost of
# the converter and its file handling, and on the build folder's disk with a
# sync before every run, where the file system's own writeback dominates
# both commands and varies from run to run.
cli="$(pwd)/$build/cli/kestrel-cli"
run_batch() {  # folder, label, extra prepare command
  local work="$1"
  echo
  echo "== batch benchmark ($2): $files small files, kestrel-cli vs cp -r"
  rm -rf "$work"
  mkdir -p "$work"
  "$build/bench/make_batch_tree" "$work/in" "$files"
  hyperfine --warmup 1 --runs "$reps" --export-json "$work/batch.json" \
    --prepare "rm -rf $work/out-copy $work/out-cli; $3" \
    -n "cp -r" "cp -r $work/in $work/out-copy" \
    -n "kestrel-cli" "$cli --jobs 1 --output $work/out-cli --overwrite=all --quiet $work/in"
  local converted
  converted=$(find "$work/out-cli" -name '*.mmf' | wc -l)
  echo "kestrel-cli wrote $converted of $files outputs"
  python3 - "$work/batch.json" <<'PY'
import json, sys
res = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
cp, cli = res["cp -r"], res["kestrel-cli"]
for name, r in (("cp -r", cp), ("kestrel-cli", cli)):
    print(f"{name:12s} mean {r['mean']*1000:8.1f} ms  stddev {r['stddev']*1000:6.1f}  min {r['min']*1000:8.1f}"
          f"  max {r['max']*1000:8.1f}  user {r['user']*1000:6.1f}  system {r['system']*1000:6.1f}")
print(f"ratio kestrel-cli / cp -r: mean {cli['mean']/cp['mean']:.2f}  (min/min {cli['min']/cp['min']:.2f}; target at most 3)")
PY
  [ "$converted" -eq "$files" ]
  rm -rf "$work"
}

memory_dir="${KESTREL_BENCH_TMPFS:-/dev/shm}"
if section batch; then
  if [ -d "$memory_dir" ] && [ -w "$memory_dir" ]; then
    run_batch "$memory_dir/kestrel-bench-batch.$$" "in memory, $memory_dir" ":"
  fi
  run_batch "$build/bench-batch" "on disk, sync before each run" "sync"
fi

# One folder of many entries: the collection, the plan of the run and the
# counts must stay linear in the number of entries.
large_folders() {
  local work="$1"
  echo
  echo "== large folders ($work): kestrel-cli -q on 50k, 100k, 200k entries"
  rm -rf "$work"
  mkdir -p "$work"
  local n
  for n in 50000 100000 200000; do
    mkdir -p "$work/f$n"
    (cd "$work/f$n" && seq 1 "$n" | sed 's/^/entry/; s/$/.txt/' | xargs touch)
  done
  hyperfine --runs "$(( reps < 3 ? reps : 3 ))" --export-json "$work/large.json" \
    -n 50k "$cli --jobs 1 -q --output $work/out $work/f50000" \
    -n 100k "$cli --jobs 1 -q --output $work/out $work/f100000" \
    -n 200k "$cli --jobs 1 -q --output $work/out $work/f200000" -i
  python3 - "$work/large.json" <<'PY'
import json, sys
res = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
cpu = {k: r["user"] + r["system"] for k, r in res.items()}
print(f"CPU time: 50k {cpu['50k']:.2f} s, 100k {cpu['100k']:.2f} s, 200k {cpu['200k']:.2f} s")
print(f"growth 50k->100k {cpu['100k']/cpu['50k']:.2f}x, 100k->200k {cpu['200k']/cpu['100k']:.2f}x  (linear: about 2x each)")
PY
  rm -rf "$work"
}
if section folders; then
  if [ -d "$memory_dir" ] && [ -w "$memory_dir" ]; then
    large_folders "$memory_dir/kestrel-bench-large.$$"
  else
    large_folders "$build/bench-large"
  fi
fi

# kestrel-cli against a plain copy of the same trees, in memory, where only
# the programs' own work counts.
copy_ratio() {
  local work="$1" sizes="${KESTREL_BENCH_COPY_FILES:-2000,200000}" n
  echo
  echo "== as fast as a copy ($work): kestrel-cli --jobs 1 and 2 against cp -r, trees of $sizes files"
  rm -rf "$work"
  mkdir -p "$work"
  for n in ${sizes//,/ }; do
    "$build/bench/make_batch_tree" "$work/in$n" "$n" >/dev/null
  done
  # strace slows a run several times over, and the calls per file are the
  # same for both sizes: it traces the small tree unless told otherwise.
  python3 bench/copy_ratio.py "$work" "$cli" "$sizes" --reps "$reps" \
    --strace-max "${KESTREL_BENCH_STRACE_MAX:-2000}" ${KESTREL_BENCH_BASELINE:+--baseline "$KESTREL_BENCH_BASELINE"}
  echo "targets: ratio to cp -r at most 1.5 with one job, at most 1.0 with two jobs on two cores"
  rm -rf "$work"
}
if section copy; then
  copy_ratio "${memory_dir}/kestrel-bench-copy.$$"
fi
