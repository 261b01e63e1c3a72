#!/usr/bin/env bash
# Takes docs/screenshot.png: the window under Xvfb in the middle of a run on a simulated script
# modem, with the log shown. Needs xvfb-run, xdotool and ImageMagick.
#   docs/make_screenshot.sh BUILD_DIR
set -euo pipefail

build=$(cd "${1:?usage: make_screenshot.sh BUILD_DIR}" && pwd)
docs=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d /tmp/quillon-shot.XXXXXX)
export QUILLON_PORTS_DIR=/tmp/quillon-ports
export XDG_CONFIG_HOME=$work

"$build/tools/modemsim/quillon-modemsim" --family script --name velmora >/dev/null 2>&1 &
simulator=$!
trap 'kill $simulator 2>/dev/null || true; wait $simulator 2>/dev/null || true; rm -rf "$work"' EXIT
cat >"$work/Quillon.ini" <<'INI'
[Window]
Geometry=@Rect(0 0 438 700)
[Log]
Visible=true
Height=347
INI

xvfb-run -a -s "-screen 0 438x700x24" bash -c '
    set -e
    "$0" &
    program=$!
    sleep 3
    xdotool mousemove 120 215 click 1   # open the modem list
    sleep 1
    xdotool key Return                  # the first type
    sleep 1.5
    xdotool key Return                  # accept the port dialog
    sleep 7                             # into the file transfers
    import -window root "$1"
    kill $program
' "$build/app/quillon" "$docs/screenshot.png"
echo "$docs/screenshot.png"
