#!/usr/bin/env bash
# Installs those of the given Debian packages that are not installed yet, with
# apt-get as root, or through sudo for another user. Exits non-zero when it
# cannot.
# Usage: scripts/install-missing.sh <package>...
set -euo pipefail

missing=()
for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -gt 0 ] || exit 0

echo "== installing: ${missing[*]}"
as_root=()
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "installing packages needs root (or sudo)" >&2; exit 1; }
    as_root=(sudo)
fi
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq &&
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -qq "${missing[@]}" >/dev/null ||
    { echo "apt-get install failed" >&2; exit 1; }
