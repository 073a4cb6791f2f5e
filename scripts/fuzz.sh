#!/usr/bin/env bash
# Builds the libFuzzer targets and fuzzes the converter in both modes:
#   raw    - the fuzzer's bytes are the input file as they stand;
#   framed - magic, size field and CRC are fixed first, so inputs reach the
#            analysis and the writers;
# kestrel-info's description library:
#   describe - every printer and the Heron checker, on inputs up to 1 MiB
#              (as they stand and framed), seeded with Heron files too;
# and kestrel-cli's command line, path lists and --shard:
#   cli    - the bytes split at NUL into arguments, and read as lists.
# Usage: scripts/fuzz.sh [seconds per mode, default 60]
# Environment: KESTREL_FUZZ_BUILD (build folder, default build-fuzz),
# KESTREL_FUZZ_MODES (default "raw framed describe cli").
# Exits non-zero on any crash, leak, timeout or sanitizer report; the failing
# input is left in the build folder as crash-*/leak-*/timeout-*/oom-*.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
build="${KESTREL_FUZZ_BUILD:-build-fuzz}"
modes="${KESTREL_FUZZ_MODES:-raw framed describe cli}"

scripts/install-deps.sh native fuzz

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DKESTREL_BUILD_FUZZ=ON -DKESTREL_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target fuzz_convert fuzz_convert_framed fuzz_describe fuzz_cli_options make_fuzz_seeds

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

# Command lines as users type them (arguments separated by NUL), and lists.
cli_seeds="$build/fuzz-seeds-cli"
rm -rf "$cli_seeds"
mkdir -p "$cli_seeds"
printf 'in\x00' >"$cli_seeds/path"
printf -- '--jobs\x002\x00--overwrite=all\x00--report\x00r.csv\x00in\x00' >"$cli_seeds/jobs"
printf -- '--shard\x003/4\x00--base\x00b\x00-o\x00out\x00--no-header\x00a.mmf\x00' >"$cli_seeds/shard"
printf -- '-0\x00--files-from\x00-\x00--overwrite\x00skip\x00-q\x00' >"$cli_seeds/list-options"
printf -- '--shard\x000/1000000000\x00-j\x000\x00--overwrite=ask\x00--files-from\x00-\x00' >"$cli_seeds/refused"
printf 'a.mmf\r\nsub dir/b.mmf\n\n c.mmf \nlast' >"$cli_seeds/newline-list"
printf '%s\n' --help --version >"$cli_seeds/help"

status=0
for mode in $modes; do
  # Per mode: binary, dictionary, longest input, seeds, and libFuzzer
  # options (the parser prints usage errors: kept off the log).
  case "$mode" in
    raw) binary="$build/fuzz/fuzz_convert"; dict=fuzz/vela.dict; max_len=4096; mode_seeds="$seeds"; extra="" ;;
    framed) binary="$build/fuzz/fuzz_convert_framed"; dict=fuzz/vela.dict; max_len=4096; mode_seeds="$seeds"; extra="" ;;
    describe) binary="$build/fuzz/fuzz_describe"; dict=fuzz/vela.dict; max_len=1048576; mode_seeds="$seeds"
              extra="" ;;
    cli) binary="$build/fuzz/fuzz_cli_options"; dict=fuzz/cli.dict; max_len=1024; mode_seeds="$cli_seeds"
         extra="-close_fd_mask=3" ;;
    *) echo "unknown fuzz mode: $mode" >&2; exit 2 ;;
  esac
  corpus="$build/fuzz-corpus-$mode"
  mkdir -p "$corpus"
  echo "== $(basename "$binary") ($mode) for ${seconds}s"
  log="$build/fuzz-$mode.log"
  # shellcheck disable=SC2086 # $extra holds zero or more options
  if ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
      "$binary" -dict="$dict" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 $extra \
        -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$build/" \
        "$corpus" "$mode_seeds" >"$log" 2>&1; then
    grep -E "^stat::number_of_executed_units|^stat::average_exec_per_sec|DONE" "$log" || true
  else
    status=1
    echo "$(basename "$binary") ($mode) FAILED; log: $log" >&2
    grep -E -A25 "ERROR:|runtime error|SUMMARY|Test unit written" "$log" >&2 || tail -40 "$log" >&2
  fi
done
exit "$status"
