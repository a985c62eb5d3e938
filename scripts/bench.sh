#!/usr/bin/env bash
# Builds the optimised programs and the benchmarks, measures them and writes
# docs/PERFORMANCE.md. Installs the Debian packages it needs when they are
# missing (run as root). Takes about ten minutes.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ libbenchmark-dev libgtest-dev googletest qt6-base-dev
          libcurl4-openssl-dev curl time python3 g++-mingw-w64-x86-64 wine64 xvfb xauth xdotool
          fonts-wqy-zenhei)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq && apt-get install -y -qq "${missing[@]}" >/dev/null
fi

cmake --preset bench >/dev/null
cmake --build --preset bench --target extraction_bench norvique-query norvique
cmake --preset windows >/dev/null
cmake --build --preset windows --target norvique norvique-query
mkdir -p docs
python3 bench/whole_process.py --build build/bench --windows-build build/windows \
    --out docs/PERFORMANCE.md
