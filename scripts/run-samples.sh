#!/usr/bin/env bash
# The main job: converts the bundled sample files with the command-line
# converter. Outputs go below out/samples-converted/, mirroring samples/
# (its README is left out: it is not a VELA file).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh native
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTREL_BUILD_TESTS=OFF >/dev/null
cmake --build build/release --target kestrel-cli
rm -rf out/samples-converted
mkdir -p out/samples-converted
mapfile -t inputs < <(find samples -mindepth 1 -maxdepth 1 \( -name '*.mmf' -o -type d \) | sort)
build/release/cli/kestrel-cli --overwrite=all --output out/samples-converted "${inputs[@]}"
