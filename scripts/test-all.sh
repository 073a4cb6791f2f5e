#!/usr/bin/env bash
# Builds everything and runs every test: the native build with warnings as
# errors (the reliability suite of kestrel-cli among its tests), the same
# tests under AddressSanitizer + UndefinedBehaviorSanitizer, the tests of
# parallel jobs under ThreadSanitizer, the packages (built twice and compared,
# the Debian package installed into this system and removed again), the
# zip's kestrel-cli.exe under Wine against the Linux build, the web page in
# headless Chromium against kestrel-cli, a short fuzzing run, and the Windows
# dialog application under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

step() { printf '\n==== %s ====\n' "$*"; }

# Totals over every suite, printed as the last line.
passed=0
log=$(mktemp)
trap 'rm -f "$log"' EXIT
count_ctest() {  # adds the "N tests passed ... out of M" figure of the last ctest run
  local n
  n=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1)
  passed=$((passed + ${n:-0}))
}
count_script() {  # adds the "N passed, 0 failed" figure of the last script run
  local n
  n=$(sed -n 's/^\([0-9]*\) passed, 0 failed$/\1/p' "$log" | tail -n 1)
  passed=$((passed + ${n:-0}))
}

scripts/install-deps.sh native fuzz package windows ja-locale web

step "native build (warnings are errors)"
cmake -S . -B build/ci -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTREL_WERROR=ON -DKESTREL_BUILD_BENCH=ON >/dev/null
cmake --build build/ci -j "$jobs"
ctest --test-dir build/ci --output-on-failure -j "$jobs" | tee "$log"
count_ctest

step "sanitizer build (AddressSanitizer + UndefinedBehaviorSanitizer)"
cmake -S . -B build/ci-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKESTREL_WERROR=ON -DKESTREL_SANITIZE=ON >/dev/null
cmake --build build/ci-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/ci-asan --output-on-failure -j "$jobs" | tee "$log"
count_ctest

step "thread sanitizer build (the batch with parallel jobs)"
cmake -S . -B build/ci-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTREL_WERROR=ON \
  -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread >/dev/null
cmake --build build/ci-tsan -j "$jobs" --target batch_tests cli_tests reliability_tests kestrel-cli
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build/ci-tsan --output-on-failure -j "$jobs" \
  -R 'BatchJobs|MemoryBudget|BatchRun|CliJobs|Colliding|ClosedStandardOutput|HeldFolder' | tee "$log"
count_ctest

step "packages: two builds compared byte for byte, the Windows zip checked"
tests/package/reproducible.sh build/ci-package | tee "$log"
count_script
tests/package/check-zip.sh build/ci-package/out/kestrel-*-windows-x64.zip | tee "$log"
count_script

step "Windows zip: kestrel-cli.exe under Wine against the Linux build"
tests/package/zip-under-wine.sh build/ci-package/out/kestrel-*-windows-x64.zip build/ci | tee "$log"
count_script

step "Debian package: installed into this system, used, removed"
tests/package/deb-install.sh build/ci-package/out/kestrel_*.deb samples | tee "$log"
count_script

if [ -x scripts/test-web.sh ]; then
  step "web page in a headless browser"
  scripts/test-web.sh build/ci | tee "$log"
  count_script
fi

if [ -x scripts/fuzz.sh ]; then
  step "fuzzing (short run)"
  scripts/fuzz.sh "${KESTREL_FUZZ_SECONDS:-30}"
fi

if [ -x scripts/test-ui.sh ]; then
  step "Windows dialog application under Wine"
  scripts/test-ui.sh | tee "$log"
  count_script
fi

step "all tests passed"
echo "total: $passed passed, 0 failed"
