#!/bin/sh
# Starts or stops the local web server of the tests (tests/support/page_server.py).
# start returns once the server listens and <state-dir> holds port, tls_port,
# self_signed_port, closed_port and ca.pem; stop ends it.
# Usage: page-server.sh start|stop <state-dir>
set -eu
action=$1
state=$2
here=$(cd "$(dirname "$0")" && pwd)

stop() {
    if [ -f "$state/pid" ]; then
        pid=$(cat "$state/pid")
        kill "$pid" 2>/dev/null || true
        i=0
        while kill -0 "$pid" 2>/dev/null && [ $i -lt 50 ]; do
            i=$((i + 1))
            sleep 0.1
        done
        rm -f "$state/pid"
    fi
    rm -f "$state/ready"
}

start() {
    stop
    rm -rf "$state/requests" "$state/certs"
    mkdir -p "$state"
    # Output of its own: CTest waits until the pipes of a test close, and a
    # daemon holding them would hang the run.
    python3 "$here/../tests/support/page_server.py" --state "$state" \
        </dev/null >"$state/server.log" 2>&1 &
    echo $! >"$state/pid"
    i=0
    while [ ! -f "$state/ready" ]; do
        if ! kill -0 "$(cat "$state/pid")" 2>/dev/null; then
            echo "page-server: the server ended before it was ready:" >&2
            cat "$state/server.log" >&2
            exit 1
        fi
        i=$((i + 1))
        [ $i -lt 300 ] || { echo "page-server: not ready after 30 s" >&2; exit 1; }
        sleep 0.1
    done
}

case "$action" in
start) start ;;
stop) stop ;;
*) echo "usage: $0 start|stop <state-dir>" >&2; exit 2 ;;
esac
