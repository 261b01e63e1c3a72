#!/usr/bin/env bash
# Two COM ports of the Wine prefix joined by a null modem: socat relays between two
# pseudo-terminals, and $WINEPREFIX/dosdevices/comN links to each. A sleeping process holds both
# terminals open, so that a port closed under Wine does not end the relay.
#   tools/windows/null-modem.sh start WORK_DIR com5 com6
#   tools/windows/null-modem.sh stop WORK_DIR
set -euo pipefail

work=${2:?usage: null-modem.sh start|stop WORK_DIR [comA comB]}
pids="$work/null-modem.pids"

case "$1" in
start)
    : "${WINEPREFIX:?WINEPREFIX must name the Wine prefix}"
    socat pty,raw,echo=0,link="$work/$3" pty,raw,echo=0,link="$work/$4" &
    echo $! >"$pids"
    for _ in $(seq 100); do
        [ -e "$work/$3" ] && [ -e "$work/$4" ] && break
        sleep 0.05
    done
    for port in "$3" "$4"; do
        ln -sfn "$(readlink -f "$work/$port")" "$WINEPREFIX/dosdevices/$port"
    done
    sleep infinity 3<>"$work/$3" 4<>"$work/$4" &
    echo $! >>"$pids"
    ;;
stop)
    [ -f "$pids" ] || exit 0
    while read -r pid; do
        kill "$pid" 2>/dev/null || true
    done <"$pids"
    rm -f "$pids"
    ;;
*)
    echo "usage: null-modem.sh start|stop WORK_DIR [comA comB]" >&2
    exit 2
    ;;
esac
