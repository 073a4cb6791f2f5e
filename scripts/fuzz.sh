#!/usr/bin/env bash
# Builds the libFuzzer targets and fuzzes the converter in both modes:
#   raw    - the fuzzer's bytes are the input file as they stand;
#   framed - magic, size field and CRC are fixed first, so inputs reach the
#            analysis and the writers;
# and kestrel-info's description library:
#   describe - every printer and the Heron checker, on inputs up to 1 MiB
#              (as they stand and framed), seeded with Heron files too.
# Usage: scripts/fuzz.sh [seconds per mode, default 60]
# Environment: KESTREL_FUZZ_BUILD (build folder, default build-fuzz),
# KESTREL_FUZZ_MODES (default "raw framed describe").
# Exits non-zero on any crash, leak, timeout or sanitizer report; the failing
# input is left in the build folder as crash-*/leak-*/timeout-*/oom-*.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
build="${KESTREL_FUZZ_BUILD:-build-fuzz}"
modes="${KESTREL_FUZZ_MODES:-raw framed describe}"

scripts/install-deps.sh native fuzz

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DKESTREL_BUILD_FUZZ=ON -DKESTREL_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target fuzz_convert fuzz_convert_framed fuzz_describe make_fuzz_seeds

# Seed corpus: the generated seeds and whatever sample files are checked in.
seeds="$build/fuzz-seeds"
rm -rf "$seeds"
shopt -s nullglob
# The samples' Heron outputs join the generated seeds.
"$build/fuzz/make_fuzz_seeds" "$seeds" samples/*.mmf samples/*/*.mmf
for sample in samples/*.mmf samples/*/*.mmf; do
  cp "$sample" "$seeds/sample-file-$(basename "$(dirname "$sample")")-$(basename "$sample")"
done
shopt -u nullglob

status=0
for mode in $modes; do
  max_len=4096
  case "$mode" in
    raw) binary="$build/fuzz/fuzz_convert" ;;
    framed) binary="$build/fuzz/fuzz_convert_framed" ;;
    describe) binary="$build/fuzz/fuzz_describe"; max_len=1048576 ;;
    *) echo "unknown fuzz mode: $mode" >&2; exit 2 ;;
  esac
  corpus="$build/fuzz-corpus-$mode"
  mkdir -p "$corpus"
  echo "== $(basename "$binary") ($mode) for ${seconds}s"
  log="$build/fuzz-$mode.log"
  if ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
      "$binary" -dict=fuzz/vela.dict -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 \
        -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$build/" \
        "$corpus" "$seeds" >"$log" 2>&1; then
    grep -E "^stat::number_of_executed_units|^stat::average_exec_per_sec|DONE" "$log" || true
  else
    status=1
    echo "$(basename "$binary") ($mode) FAILED; log: $log" >&2
    grep -E -A25 "ERROR:|runtime error|SUMMARY|Test unit written" "$log" >&2 || tail -40 "$log" >&2
  fi
done
exit "$status"
