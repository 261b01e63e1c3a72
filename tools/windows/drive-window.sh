#!/usr/bin/env bash
# Drives quillon.exe under Wine on an X display from the keyboard, as a technician would, through
# one run or several in one session. Each RUN is ENTRY:PORT_STEP: the modem type's entry in the
# list (first or last), and in the port dialog either "type" (PORT typed into the port list) or
# "keep" (the dialog accepted as it opens: the port must be chosen already, by the type's profile
# or by the run before). Succeeds when every run ends with the success box; a screenshot of the
# window with the first run's box goes to SHOT.
#   tools/windows/drive-window.sh WINE QUILLON_EXE PORT SHOT [RUN...]    (inside xvfb-run)
# Without RUN: first:type.
# The window speaks the language QUILLON_LANG names (ru when unset), and is driven by its titles.
set -euo pipefail

wine=${1:?usage: drive-window.sh WINE QUILLON_EXE PORT SHOT [RUN...]}
program=${2:?}
port=${3:?}
shot=${4:?}
export QUILLON_LANG=${QUILLON_LANG:-ru}
if [ "$QUILLON_LANG" = en ]; then
    dialog_title="Serial port settings" message_title="Message" error_title="Error"
else
    dialog_title="Настройки СОМ-порта" message_title="Сообщение" error_title="Ошибка"
fi
shift 4
runs=("$@")
[ ${#runs[@]} -gt 0 ] || runs=(first:type)

# shellcheck source=tools/windows/x-windows.sh
. "$(dirname "${BASH_SOURCE[0]}")/x-windows.sh"

"$wine" "$program" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true' EXIT

# Wine starts slowly on a busy machine: the first window may take minutes.
main=$(window "Velmora" 300)
# Wine registers only the COM ports it found when its session started; the modem's port joins
# them as a driver's device would.
"$wine" reg add 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v '\Device\QuillonModem' /d "$port" /f \
    >/dev/null 2>&1

# run NUMBER ENTRY PORT_STEP: one run to its end box, answered.
run() {
    local number=$1 entry=$2 step=$3
    xdotool windowfocus --sync "$main"
    sleep 1
    xdotool key alt+Down
    sleep 1
    case "$entry" in
    first) xdotool key Home Return ;;
    last) xdotool key End Return ;;
    *) echo "drive-window: no entry $entry" >&2 && return 1 ;;
    esac

    local dialog
    dialog=$(window "$dialog_title" 60)
    activate "$dialog"
    if [ "$step" = type ]; then
        xdotool type --delay 50 "$port" # the port list finds the entry as it is typed
        sleep 1
    fi
    xdotool key Return

    # The run: the power-on probe, the switch to the write rate and the files, in real time. A
    # run whose port was not chosen waits for ever: its box never comes.
    local box outcome=0
    if ! box=$(window "$message_title" 600); then
        box=$(window "$error_title" 1) || true
        outcome=1
        echo "drive-window: run $number ($entry, port $step) ended without its success box" >&2
    fi
    sleep 1
    if [ "$number" -eq 1 ]; then
        screenshot "$main" "$shot"
    fi
    [ -n "$box" ] && activate "$box" && xdotool key Return
    sleep 1
    return "$outcome"
}

number=0
for planned in "${runs[@]}"; do
    number=$((number + 1))
    run "$number" "${planned%%:*}" "${planned#*:}" || exit 1
    echo "drive-window: run $number ($planned) ended with its success box"
done
