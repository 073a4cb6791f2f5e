#!/usr/bin/env bash
# Builds the page into OUTDIR (default out/web/): index.html with its
# scripts (the WebAssembly batch is embedded in kestrel.js), and the single
# self-contained kestrel.html that also works opened from disk.
# Installs emscripten, node-acorn and the npm parts (web/package-lock.json)
# when they are missing. KESTREL_WEB_BUILD: the build folder (default build/web).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
OUTDIR="${1:-$ROOT/out/web}"
BUILD="${KESTREL_WEB_BUILD:-$ROOT/build/web}"

need_apt=()
command -v emcc >/dev/null 2>&1 || need_apt+=(emscripten)
[ -d /usr/share/nodejs/acorn ] || need_apt+=(node-acorn)
command -v cmake >/dev/null 2>&1 || need_apt+=(cmake)
command -v ninja >/dev/null 2>&1 || need_apt+=(ninja-build)
command -v npm >/dev/null 2>&1 || need_apt+=(npm)
if [ "${#need_apt[@]}" -gt 0 ]; then
    echo "build-web: installing ${need_apt[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q --no-install-recommends "${need_apt[@]}"
fi
# Debian's emscripten finds its optimizer's parser (node-acorn) only here
# when the node on the PATH is not Debian's own.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

if [ ! -f "$ROOT/web/node_modules/fflate/umd/index.js" ] ||
   [ "$ROOT/web/package-lock.json" -nt "$ROOT/web/node_modules/.package-lock.json" ]; then
    (cd "$ROOT/web" && npm ci --no-audit --no-fund)
fi

emcmake cmake -S "$ROOT/web" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTREL_WERROR=ON >/dev/null
cmake --build "$BUILD" --target kestrel -j2

mkdir -p "$OUTDIR"
cp "$ROOT/web/src/index.html" "$ROOT/web/src/style.css" "$ROOT/web/src/page.js" "$ROOT/web/src/worker.js" "$OUTDIR/"
cp "$ROOT/web/node_modules/fflate/umd/index.js" "$OUTDIR/fflate.js"
cp "$BUILD/kestrel.js" "$OUTDIR/kestrel.js"
node "$ROOT/web/tools/single-file.js" "$OUTDIR"
echo "build-web: $OUTDIR/index.html and $OUTDIR/kestrel.html"
