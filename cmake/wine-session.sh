#!/bin/sh
# Starts or stops the Wine session that the Windows tests run in: a fresh
# prefix of its own and an Xvfb display of its own, so that nothing of the
# machine's own Wine or X setup counts and windows can be created anywhere.
# Usage: wine-session.sh start|stop <state-dir>
set -eu
action=$1
state=$2
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver

stop() {
    if [ -d "$state/prefix" ]; then
        WINEPREFIX="$state/prefix" "$wineserver" -k 2>/dev/null || true
        WINEPREFIX="$state/prefix" "$wineserver" -w 2>/dev/null || true
    fi
    if [ -f "$state/xvfb.pid" ]; then
        kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
        rm -f "$state/xvfb.pid"
    fi
    rm -f "$state/display"
}

start() {
    stop
    rm -rf "$state/prefix"
    mkdir -p "$state"
    # The first display number that no X server holds.
    n=90
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do
        n=$((n + 1))
        [ $n -lt 200 ] || { echo "wine-session: no free X display" >&2; exit 1; }
    done
    # Every background process gets output of its own: CTest waits until the
    # pipes of a test close, and a daemon holding them would hang the run.
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >"$state/xvfb.log" 2>&1 &
    echo $! >"$state/xvfb.pid"
    i=0
    while [ ! -e "/tmp/.X11-unix/X$n" ]; do
        i=$((i + 1))
        [ $i -lt 100 ] || { echo "wine-session: Xvfb did not start" >&2; exit 1; }
        sleep 0.1
    done
    echo ":$n" >"$state/display"

    export WINEPREFIX="$state/prefix" DISPLAY=":$n" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    # Kept alive across the tests: each later process then starts in well
    # under a second instead of bringing the server up again.
    mkdir -p "$WINEPREFIX"
    "$wineserver" -p </dev/null >/dev/null 2>&1
    "$wine" wineboot -i </dev/null >/dev/null 2>&1
    # Map the two Chinese face names to an installed CJK font. Written as a
    # UTF-16 registry file so that the result does not depend on the locale.
    printf '\377\376' >"$state/fonts.reg"
    {
        printf 'Windows Registry Editor Version 5.00\r\n\r\n'
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
        printf '"宋体"="WenQuanYi Zen Hei"\r\n"黑体"="WenQuanYi Zen Hei"\r\n'
        printf '"SimSun"="WenQuanYi Zen Hei"\r\n"SimHei"="WenQuanYi Zen Hei"\r\n'
    } | iconv -f UTF-8 -t UTF-16LE >>"$state/fonts.reg"
    "$wine" regedit /S "$(winepath_of "$state/fonts.reg")" >/dev/null 2>&1
}

winepath_of() {
    # Wine maps the Unix root as drive Z:.
    printf 'Z:%s' "$1" | tr '/' '\\'
}

case "$action" in
start) start ;;
stop) stop ;;
*) echo "usage: $0 start|stop <state-dir>" >&2; exit 2 ;;
esac
