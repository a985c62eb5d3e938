#!/usr/bin/env bash
# Runs every test suite: native, sanitized, under valgrind, the Windows build
# under Wine, and the fuzz targets for a bounded time. On a fresh Debian 12
# machine it first installs the Debian packages that the builds and tests need
# (run as root). Ends with each suite's summary line.
#
# Usage: scripts/test-all.sh [suite...]
#   suites: linux sanitize memcheck windows fuzz (all of them by default)
#   NORVIQUE_FUZZ_SECONDS: seconds per fuzz target (default 60)
set -uo pipefail
cd "$(dirname "$0")/.."

packages=(
    # Builds
    cmake ninja-build g++ googletest libgtest-dev
    g++-mingw-w64-x86-64
    qt6-base-dev qt6-qpa-plugins libcurl4-openssl-dev
    # Running the Windows build and the windows
    wine64 xvfb xauth xdotool xclip fonts-wqy-zenhei
    # Test servers and certificates
    python3 openssl ca-certificates
    # Memory checks and fuzzing
    valgrind clang-14 libclang-rt-14-dev
)

bash scripts/install-missing.sh "${packages[@]}" || exit 1

# The tests compare Chinese text; a UTF-8 locale (always there on Debian)
# keeps the tools that print it from depending on the caller's settings.
export LANG=C.UTF-8

suites=("$@")
[ ${#suites[@]} -gt 0 ] || suites=(linux sanitize memcheck windows fuzz)

summary=()
failed=0
for suite in "${suites[@]}"; do
    echo "== $suite"
    log=$(mktemp)
    if [ "$suite" = fuzz ]; then
        bash scripts/fuzz.sh "${NORVIQUE_FUZZ_SECONDS:-60}" 2>&1 | tee "$log"
        status=${PIPESTATUS[0]}
        line="$(grep -c 'no crash$' "$log") fuzz targets without a crash, $(grep -c 'FAILED' "$log") failed"
    else
        cmake --workflow --preset "$suite" 2>&1 | tee "$log"
        status=${PIPESTATUS[0]}
        line=$(grep -E 'tests passed, [0-9]+ tests? failed out of' "$log" | tail -n 1)
        [ -n "$line" ] || line="no test summary (the build failed)"
    fi
    summary+=("$suite: $line")
    [ "$status" -eq 0 ] || failed=1
    rm -f "$log"
done

echo
echo "== summary"
printf '%s\n' "${summary[@]}"
exit $failed
