#!/usr/bin/env bash
# Builds and starts the Linux program on Debian 12. Installs the Debian
# packages it needs when they are missing (with apt-get as root, or through
# sudo), builds only the program of the linux preset, and opens the window.
#
# Usage: scripts/run.sh [--xvfb]
#   --xvfb   on a machine without a display, start it on a virtual one
#            (xvfb-run); nobody sees the window, which is for smoke tests.
set -euo pipefail
cd "$(dirname "$0")/.."

use_xvfb=0
case "${1:-}" in
"") ;;
--xvfb) use_xvfb=1 ;;
*) echo "usage: $0 [--xvfb]" >&2; exit 2 ;;
esac

packages=(
    cmake ninja-build g++ libgtest-dev qt6-base-dev qt6-qpa-plugins libcurl4-openssl-dev
    # The faces 宋体 and 黑体 fall back to this through fontconfig.
    fonts-wqy-zenhei
)
[ $use_xvfb -eq 0 ] || packages+=(xvfb xauth)

# Say so before installing and building anything that could not be shown.
if [ $use_xvfb -eq 0 ] && [ -z "${DISPLAY:-}" ]; then
    echo "run.sh: no X display (DISPLAY is not set), so the window cannot open." >&2
    echo "        Run it from a desktop session, or use: bash scripts/run.sh --xvfb" >&2
    exit 1
fi

bash scripts/install-missing.sh "${packages[@]}"

echo "== building the program (build/linux)"
cmake --preset linux >/dev/null
cmake --build --preset linux --target norvique

program=build/linux/app/qt/norvique
echo "== starting $program"
echo "   sample pages: bash scripts/serve-examples.sh, then paste"
echo "   http://127.0.0.1:8000/item-gbk.html"
if [ $use_xvfb -eq 1 ] && [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$program"
fi
exec "$program"
