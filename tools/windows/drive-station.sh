#!/usr/bin/env bash
# Drives the station window (quillon.exe --station) under Wine on an X display as a line's
# operator would, with one modem on its one port:
#  - started with its set-up on the command line, it begins at once;
#  - closing it while the modem is being programmed asks first, and "No" (the default, Enter)
#    leaves the run going: the modem's wire shows WRITING (a regular expression) when it is;
#  - the run ends programmed in the record file RECORD; a screenshot of the window with its tile
#    goes to SHOT;
#  - closed with the modem still on, the window ends within 30 s, the close question answered
#    "Yes" if it still asks.
# Each step prints how long it took; the script fails at the first step that does not come.
#   tools/windows/drive-station.sh WINE QUILLON_EXE SHOT WIRE WRITING RECORD STATION_ARGS...
#                                                                         (inside xvfb-run)
set -euo pipefail

wine=${1:?usage: drive-station.sh WINE QUILLON_EXE SHOT WIRE WRITING RECORD STATION_ARGS...}
program=${2:?}
shot=${3:?}
wire=${4:?}
writing=${5:?}
record=${6:?}
shift 6

# shellcheck source=tools/windows/x-windows.sh
. "$(dirname "${BASH_SOURCE[0]}")/x-windows.sh"

started=$SECONDS
"$wine" "$program" --station "$@" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true' EXIT

# step TEXT: one step done, with the seconds since the station was started.
step() {
    echo "drive-station: $1 after $((SECONDS - started)) s"
}

# until_seen SECONDS WHAT COMMAND...: waits for the command to succeed, at most SECONDS.
until_seen() {
    local limit=$(($1 + SECONDS)) what=$2
    shift 2
    until "$@"; do
        if ((SECONDS > limit)) || ! kill -0 "$pid" 2>/dev/null; then
            echo "drive-station: $what did not come" >&2
            return 1
        fi
        sleep 0.2
    done
}

shows_no() {
    ! xdotool search --onlyvisible --name "$1" >/dev/null
}
ended() {
    ! kill -0 "$pid" 2>/dev/null
}

# The title names the modem type once the station has begun; before that it names only the
# station. Wine starts slowly on a busy machine: the first window may take minutes.
title="Quillon — станция"
main=$(window "^$title: " 300)
step "the station began"

until_seen 300 "the modem's programming" grep -q -- "$writing" "$wire"
activate "$main"
xdotool key alt+F4
question=$(window "^$title\$" 30)
step "closing it while the modem was programmed asked first"
activate "$question"
xdotool key Return
until_seen 30 "the close question's end" \
    shows_no "^$title\$"
kill -0 "$pid" 2>/dev/null || { echo "drive-station: \"No\" closed the window" >&2 && exit 1; }

until_seen 600 "the run's record" grep -q '"result"' "$record"
grep -q '"result":"programmed"' "$record" || {
    echo "drive-station: the run ended $(grep -o '"result":"[a-z-]*"' "$record")" >&2
    exit 1
}
step "the modem was programmed"
sleep 2 # the tile shows the result
screenshot "$main" "$shot"

activate "$main"
xdotool key alt+F4
if question=$(window "^$title\$" 3 2>/dev/null); then
    activate "$question"
    xdotool key alt+y
fi
until_seen 30 "the window's end" ended
trap - EXIT
wait "$pid" || { echo "drive-station: quillon.exe ended with $?" >&2 && exit 1; }
step "the window closed and the program ended"
