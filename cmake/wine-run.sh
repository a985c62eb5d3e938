#!/bin/sh
# Runs a Windows program under Wine inside the test session that
# wine-session.sh started in <state-dir>: its own prefix and its own Xvfb.
# Usage: wine-run.sh <state-dir> program.exe [args...]
state=$1
shift
if [ ! -f "$state/display" ]; then
    echo "wine-run: no Wine test session in $state; run: cmake/wine-session.sh start $state" >&2
    exit 1
fi
WINEPREFIX="$state/prefix"
DISPLAY=$(cat "$state/display")
WINEDEBUG=-all
WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX DISPLAY WINEDEBUG WINEDLLOVERRIDES
exec /usr/lib/wine/wine64 "$@"
