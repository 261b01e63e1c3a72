#!/usr/bin/env bash
# The demo on simulated modems: with a display, `quillon --demo`, which starts one
# quillon-modemsim per modem family, each on its own virtual port, and the window on the demo
# types; without one, the same simulators and the headless runner for each modem type. The
# simulators are stopped on the way out.
# The tu41 modem takes its input at the pace of a serial line that starts at 9600 bit/s, and its
# type writes at 115200 bit/s; the headless demo writes it at both rates to show the difference.
#   tools/demo.sh BUILD_DIR
set -euo pipefail

build=$(cd "${1:?usage: demo.sh BUILD_DIR}" && pwd)
data="$build/app/demo" # the build puts the demo catalogue and type folders beside the program
simulator="$build/tools/modemsim/quillon-modemsim"
runner="$build/flash/quillon-flash"
export QUILLON_PORTS_DIR=/tmp/quillon-ports

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "Pick a modem type, accept the port dialog (the port is preselected) and watch the log."
    exec "$build/app/quillon" --demo
fi

logs=$(mktemp -d /tmp/quillon-demo.XXXXXX)

pids=()
stop_simulators() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${pids[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
}
trap stop_simulators EXIT
trap 'exit 130' INT TERM

# start_simulator NAME ARGS...: the modem answers on $QUILLON_PORTS_DIR/NAME.
start_simulator() {
    local name=$1
    shift
    "$simulator" --name "$name" "$@" >"$logs/$name.log" 2>&1 &
    pids+=($!)
}

start_simulator velmora --family script
start_simulator tu41 --family java --line-rate 9600
start_simulator tc65 --family replay --transfer-log "$data/tc65/transfer_fw.log"

for name in velmora tu41 tc65; do
    for _ in $(seq 100); do
        [ -e "$QUILLON_PORTS_DIR/$name" ] && break
        sleep 0.1
    done
    if [ ! -e "$QUILLON_PORTS_DIR/$name" ]; then
        echo "The $name simulator did not start; see $logs/$name.log" >&2
        exit 1
    fi
done
echo "Simulated modems on $QUILLON_PORTS_DIR (their wire logs in $logs)"

if [ ! -x "$runner" ]; then
    echo "No display, and the headless runner quillon-flash is not built yet: nothing to show." >&2
    exit 1
fi
status=0
flash() {
    local type=$1
    shift
    "$runner" --type "$type" --data "$data" --port "$QUILLON_PORTS_DIR/$type" "$@" || status=$?
}
echo "== velmora"
flash velmora
# At the old rate first: the simulated modem keeps the rate it was last switched to.
echo "== tu41 at 9600 bit/s, the rate every type used to write at"
time flash tu41 --write-rate 9600
echo "== tu41 at its own write rate, 115200 bit/s"
time flash tu41
echo "== tc65"
flash tc65
exit "$status"
