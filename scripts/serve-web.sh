#!/usr/bin/env bash
# Serves the built page on this machine only (127.0.0.1) and prints its URL;
# Ctrl-C stops it. The page makes no request beyond its own files.
# Usage: scripts/serve-web.sh [PORT, default 8080]
# Environment: KESTREL_WEB_DIR, the folder to serve (default out/web/, as
# scripts/build-web.sh makes it).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
DIR=${KESTREL_WEB_DIR:-$ROOT/out/web}
PORT=${1:-8080}

case "$PORT" in
  ''|*[!0-9]*) echo "usage: scripts/serve-web.sh [PORT]" >&2; exit 2 ;;
esac
if [ ! -f "$DIR/index.html" ]; then
  echo "serve-web: $DIR/index.html is missing; build the page with scripts/build-web.sh" >&2
  exit 1
fi
# Any python3 serves (standard library only).
if ! command -v python3 >/dev/null; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends python3 >/dev/null
fi
echo "Open http://127.0.0.1:$PORT/ (the single file: $DIR/kestrel.html)"
exec python3 "$ROOT/tests/web/static_server.py" "$DIR" "$PORT"
