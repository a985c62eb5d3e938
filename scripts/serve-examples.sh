#!/usr/bin/env bash
# Serves the sample pages of examples/ on 127.0.0.1 only, until Ctrl+C.
# Usage: scripts/serve-examples.sh [port]      (default 8000)
set -euo pipefail
cd "$(dirname "$0")/../examples"
port=${1:-8000}
echo "Sample pages, to paste into Norvique's first box:"
for page in item-gbk.html item-milliseconds.html no-marker.html; do
    echo "  http://127.0.0.1:$port/$page"
done
exec python3 -m http.server --bind 127.0.0.1 "$port"
