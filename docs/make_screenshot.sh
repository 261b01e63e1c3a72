#!/usr/bin/env bash
# Takes the pictures of the README under Xvfb, on a simulated script modem at the default font:
#   docs/port-dialog.png  the port dialog after the modem type is chosen, its port preselected;
#   docs/screenshot.png   the window in the middle of the run, with the log shown;
#   docs/station.png      the station during a shift on four simulated Java modems: one
#                         programmed twice, one failed, one programmed, one being written.
# Needs xvfb-run, xdotool and ImageMagick.
#   docs/make_screenshot.sh BUILD_DIR
set -euo pipefail

build=$(cd "${1:?usage: make_screenshot.sh BUILD_DIR}" && pwd)
docs=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d /tmp/qs.XXXXXX) # short: the station's tiles name their ports by it
export QUILLON_PORTS_DIR=/tmp/quillon-ports
export XDG_CONFIG_HOME=$work
export XDG_DATA_HOME=$work # the demo types, not any of the user's own

"$build/tools/modemsim/quillon-modemsim" --family script --name velmora >/dev/null 2>&1 &
simulator=$!
trap 'kill $simulator 2>/dev/null || true; wait $simulator 2>/dev/null || true; rm -rf "$work"' EXIT
cat >"$work/Quillon.ini" <<'INI'
[Window]
Geometry=@Rect(0 0 438 640)
[Log]
Visible=true
Height=357
INI

# A netbook's screen: the window and the dialog have to fit it.
# Without a window manager the keys go to the window under the pointer.
xvfb-run -a -s "-screen 0 1024x600x24" bash -c '
    set -e
    "$0" &
    program=$!
    window=$(xdotool search --sync --name "^Velmora: конфигуратор модема$" | head -1)
    sleep 2
    xdotool mousemove 200 100
    xdotool key alt+Down                # open the modem list (it has the focus)
    sleep 1
    xdotool key Down Return             # the first type (the list opens with none highlighted)
    dialog=$(xdotool search --sync --name "^Настройки СОМ-порта$" | head -1)
    sleep 1.5
    import -window "$dialog" "$1"
    xdotool mousemove 512 300 key Return  # accept the port dialog, centred on the screen
    sleep 7                             # into the file transfers
    import -window "$window" "$2"
    kill $program
' "$build/app/quillon" "$docs/port-dialog.png" "$docs/screenshot.png"

# The station's modems on ports of their own, its settings and records in the scratch folder.
stationPorts="$work"
modems=()
for modem in 1 2 3 4; do
    flags=(--family java --name "modem$modem" --imei "35693803${modem}000000")
    [ "$modem" = 3 ] && flags+=(--error 'AT^SJDL=@ERROR')
    [ "$modem" = 4 ] && flags+=(--line-rate 9600)
    QUILLON_PORTS_DIR=$stationPorts "$build/tools/modemsim/quillon-modemsim" "${flags[@]}" \
        >/dev/null 2>&1 &
    modems+=($!)
done
trap 'kill $simulator "${modems[@]}" 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT
sleep 1
XDG_DATA_HOME=$work xvfb-run -a -s "-screen 0 1024x600x24" bash -c '
    set -e
    shot=$1 swapped=$2
    shift 2
    "$@" &
    program=$!
    window=$(xdotool search --sync --name "^Quillon — станция: " | head -1)
    sleep 8                             # three modems done, the slow one writing
    kill -USR1 "$swapped"               # the first modem taken off, the next put on
    sleep 0.5
    kill -USR2 "$swapped"
    sleep 4
    import -window "$window" "$shot"
    kill $program
' station "$docs/station.png" "${modems[0]}" "$build/app/quillon" --station --type tu41 --write-rate 9600 \
    --port "$stationPorts/modem1" --port "$stationPorts/modem2" --port "$stationPorts/modem3" \
    --port "$stationPorts/modem4" --record "$work/runs.jsonl"
echo "$docs/port-dialog.png $docs/screenshot.png $docs/station.png"
