#!/usr/bin/env bash
# The Windows programs under Wine, against the Linux modem simulator on a pseudo-terminal that a
# COM port of the Wine prefix links to:
#  - quillon-flash.exe programs each demo type, and the simulator receives the same bytes as from
#    the Linux runner;
#  - a modem that vanishes in the middle of a run fails the run, as on Linux;
#  - in a console (rendered by tmux) the Russian text reads right and the live line stays in place;
#  - quillon.exe, driven from the keyboard under Xvfb, programs the script type too, and the modem
#    receives the same bytes; a screenshot of the finished run goes to SHOT (a PNG file);
#  - the station window, started with its set-up on the command line, programs a modem on COM7
#    with the same bytes as the Linux runner's station, asks before closing during the run and
#    ends when closed; its screenshot goes beside SHOT (windows-station.png beside windows.png);
#  - the package carries Qt's translations, and the window and the runner speak English when
#    asked to (QUILLON_LANG=en): the window's run ends with its English box (screenshot beside
#    SHOT, "-en" before its extension), the runner's summary is in English;
#  - the installer installs silently, quillon-flash.exe programs a modem from the installed
#    folder, a second install keeps a profile the user edited, an install into another folder
#    replaces the first, and the silent uninstall leaves none of the program's files but what the
#    user changed or made.
#   tools/windows/test-wine.sh PROGRAM_DIR LINUX_BUILD_DIR SHOT INSTALLER
# PROGRAM_DIR is the unpacked zip; WINEPREFIX names a prepared Wine prefix.
set -euo pipefail

program=$(cd "${1:?usage: test-wine.sh PROGRAM_DIR LINUX_BUILD_DIR SHOT INSTALLER}" && pwd)
linux=$(cd "${2:?}" && pwd)
shot=$(realpath -m "${3:?}")
station_shot="${shot%.*}-station.png"
installer=$(realpath "${4:?}")
: "${WINEPREFIX:?WINEPREFIX must name the Wine prefix}"
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
simulator="$linux/tools/modemsim/quillon-modemsim"
runner="$linux/flash/quillon-flash"
work=$(mktemp -d -t quillon-e2e.XXXXXX)
export QUILLON_PORTS_DIR="$work/ports"
# The checks read the Russian texts unless they ask for English, whatever the prefix's locale.
export QUILLON_LANG=ru
com=com7
# A port numbered 10 or above, as USB adapters often get: Windows opens it only through the device
# namespace (\\.\COM12).
high_com=com12

background=()
cleanup() {
    for pid in "${background[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -f "$WINEPREFIX/dosdevices/$com" "$WINEPREFIX/dosdevices/$high_com"
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}

# check COMMAND...: one check, passed when the command reported no failure.
passed_checks=0
failed_checks=0
check() {
    local before=$failures
    "$@"
    if [ "$failures" -eq "$before" ]; then
        passed_checks=$((passed_checks + 1))
    else
        failed_checks=$((failed_checks + 1))
    fi
}

# simulate NAME ARGS...: a simulator whose wire record goes to $work/NAME.wire; sets `device`
# to its pseudo-terminal and `simulator_pid`.
simulate() {
    local name=$1
    shift
    # Created before the simulator starts, so that the wait below never reads a missing file.
    : >"$work/$name.wire"
    "$simulator" --name "$name" "$@" >>"$work/$name.wire" 2>&1 &
    simulator_pid=$!
    background+=("$simulator_pid")
    for _ in $(seq 200); do
        device=$(sed -n 's/^device //p' "$work/$name.wire")
        [ -n "$device" ] && return
        sleep 0.05
    done
    echo "the simulator $name did not start: $(cat "$work/$name.wire")" >&2
    exit 1
}

stop_simulator() {
    kill "$simulator_pid" 2>/dev/null || true
    wait "$simulator_pid" 2>/dev/null || true
}

# The bytes a simulator received, in hex; the probes before the modem's first answer count once.
received() {
    awk '$2 == "<-" {
            for (i = NF; i > 0 && $i ~ /^[0-9A-F][0-9A-F]$/; --i) {}
            for (j = i + 1; j <= NF; ++j) printf "%s ", $j
        }' "$1" | sed -E 's/^(41 54 45 30 0D 0A )+/41 54 45 30 0D 0A /'
}

# run_both NAME EXPECTED_STATUS FLASH_ARGS -- SIMULATOR_ARGS: the same run by the Linux runner
# and by quillon-flash.exe under Wine; both must end with the expected status and the
# simulators must have received the same bytes.
run_both() {
    local name=$1 expected=$2
    shift 2
    local flash=()
    while [ "$1" != -- ]; do
        flash+=("$1")
        shift
    done
    shift
    local status

    simulate "linux-$name" "$@"
    status=0
    "$runner" "${flash[@]}" --data "$program" --port "$device" >"$work/linux-$name.out" 2>&1 ||
        status=$?
    stop_simulator
    [ "$status" -eq "$expected" ] ||
        fail "$name: the Linux runner ended with $status, not $expected (see its output below)"

    simulate "wine-$name" "$@"
    ln -sfn "$device" "$WINEPREFIX/dosdevices/$com"
    status=0
    local started=$SECONDS
    timeout "${WINE_RUN_LIMIT:-900}" "$wine" "$program/quillon-flash.exe" "${flash[@]}" --port "${com^^}" \
        >"$work/wine-$name.out" 2>&1 || status=$?
    stop_simulator
    echo "$name: quillon-flash.exe ended with $status after $((SECONDS - started)) s"
    if [ "$status" -ne "$expected" ]; then
        fail "$name: quillon-flash.exe ended with $status, not $expected"
        tail -n 30 "$work/wine-$name.out" >&2
    fi
    if [ "$(received "$work/linux-$name.wire")" != "$(received "$work/wine-$name.wire")" ]; then
        fail "$name: the modem received other bytes under Wine than from the Linux runner"
        diff <(received "$work/linux-$name.wire" | tr ' ' '\n') \
            <(received "$work/wine-$name.wire" | tr ' ' '\n') | head -n 20 >&2 || true
    fi
}

check run_both velmora 0 --type velmora -- --family script
check run_both tu41 0 --type tu41 -- --family java
check run_both tc65 0 --type tc65 -- --family replay --transfer-log "$program/tc65/transfer_fw.log"
# The modem goes away during the first file transfer.
check run_both vanishing 1 --type velmora -- --family script --vanish-after 400
# A modem that never answers AT^SJAM: the run goes on past each of those commands at its time-out
# of 5 s, as on Linux. (A wait that its time-out's timer does not wake sleeps on in Qt's Windows
# dispatcher, and the run waited for ever.)
WINE_RUN_LIMIT=120 check run_both sjam-unanswered 0 --type tu41 -- --family java --silent 'AT^SJAM='

# manifests: both programs tell Windows that they draw at every screen's own scale and take long
# paths.
manifests() {
    local exe
    for exe in quillon.exe quillon-flash.exe; do
        grep -q '<dpiAwareness[^>]*>PerMonitorV2<' "$program/$exe" ||
            fail "$exe carries no manifest with per-monitor DPI awareness"
        grep -q '<longPathAware[^>]*>true<' "$program/$exe" ||
            fail "$exe carries no manifest with long paths"
    done
}
check manifests

# station_run: a station under Windows, with a modem that tells no IMEI left on its port: the
# modem is programmed once, then the port waits for it to be taken off (its device gone, or 3 s
# without an answer) for as long as it answers. A COM port is no file: a wait that asked the file
# system whether the device was there ended at once, and the same modem was programmed again and
# again.
station_run() {
    simulate station-velmora --family script --no-imei
    ln -sfn "$device" "$WINEPREFIX/dosdevices/$com"
    local out="$work/station.out" started=$SECONDS before=$failures
    "$wine" "$program/quillon-flash.exe" --type velmora --port "${com^^}" --continuous --json \
        >"$out" 2>&1 &
    local station=$!
    background+=("$station")
    until grep -q '"state":"take-off"' "$out"; do
        if ((SECONDS - started > 600)) || ! kill -0 "$station" 2>/dev/null; then
            fail "station: the first modem was not programmed and taken off within 600 s"
            tail -n 20 "$out" >&2
            break
        fi
        sleep 1
    done
    # Long enough for the silence clock to end the wait many times over, were it not restarted.
    sleep 12
    local programmed
    programmed=$(grep -c '"state":"programming"' "$out" || true)
    [ "$programmed" -eq 1 ] ||
        fail "station: the modem left on the port was programmed $programmed times, not once"
    # A station runs until it is stopped; Wine ends it on SIGTERM, or else on SIGKILL.
    kill "$station" 2>/dev/null || true
    for _ in $(seq 10); do
        kill -0 "$station" 2>/dev/null || break
        sleep 1
    done
    kill -KILL "$station" 2>/dev/null || true
    wait "$station" 2>/dev/null || true
    stop_simulator
    [ "$failures" -ne "$before" ] || echo "station: programmed once, waited for its removal"
}
check station_run

# console_run: quillon-flash.exe in a console, as a technician starts it from cmd.exe, with what
# the console shows rendered by a terminal (tmux) and read back as a screen: the Russian lines
# readable, no escape sequence shown as text, and the live line redrawn in place, so that none of
# it is left in the scrollback once the summary is out.
console_run() {
    simulate console-velmora --family script
    ln -sfn "$device" "$WINEPREFIX/dosdevices/$com"
    local socket="$work/tmux" screen="$work/console.screen" started=$SECONDS
    tmux -S "$socket" new-session -d -x 110 -y 40 \
        "'$wine' '$program/quillon-flash.exe' --type velmora --port ${com^^}; echo \"exit status \$?\"; sleep 900"
    until tmux -S "$socket" capture-pane -p -S - -E - | grep -q '^exit status'; do
        if ((SECONDS - started > 900)); then
            fail "console: quillon-flash.exe did not end within 900 s"
            break
        fi
        sleep 1
    done
    tmux -S "$socket" capture-pane -p -S - -E - >"$screen"
    tmux -S "$socket" kill-server 2>/dev/null || true
    stop_simulator
    grep -qx 'exit status 0' "$screen" || fail "console: quillon-flash.exe did not end with 0"
    local line
    for line in "Выбран модем \"Модем Velmora (сценарии Python)\"" "Итог: запрограммировано модемов: 1 из 1 (код завершения 0)"; do
        grep -qF "$line" "$screen" || fail "console: the screen does not show \"$line\""
    done
    if grep -qE 'Ð|Ñ|\[[0-9]*[FJK]|\?\?\?' "$screen"; then
        fail "console: the screen shows mojibake or escape sequences as text"
    fi
    if grep -q "^${com^^}  " "$screen"; then
        fail "console: live lines were left on the screen"
    fi
    if ((failures > 0)); then
        tail -n 40 "$screen" >&2
    else
        echo "console: the run reads right on the screen after $((SECONDS - started)) s"
    fi
}
check console_run

# The window, driven from the keyboard under Xvfb as a technician would, on COM12 (a port the
# device namespace must open): the first modem type with the port typed into the dialog, the same
# type again with the dialog taken as it opens (the port chosen before still chosen), and a type
# whose profile names the port (chosen by the dialog as it opens); each run to its success box. The
# modem receives the same bytes as from the Linux runner, and each record names the port as the
# runner's does. Wine's desktop belongs to the session that started it, and the console runs above
# started one with no display: the window needs a session of its own.
window_run() {
    "$wineserver" -k 2>/dev/null || true
    # A second script type, whose profile names the port.
    cp -r "$program/velmora" "$program/velmora_prof"
    printf 'portname=%s\r\n' "${high_com^^}" >>"$program/velmora_prof/upload.ini"
    printf 'Velmora %s:velmora_prof\r\n' "${high_com^^}" >>"$program/Quillon_dir.ini"
    local records
    records=("$WINEPREFIX"/drive_c/users/*/AppData/Local/quillon/runs.jsonl)
    rm -f "${records[@]}"
    simulate window-velmora --family script
    ln -sfn "$device" "$WINEPREFIX/dosdevices/$high_com"
    local started=$SECONDS
    if xvfb-run -a -s "-screen 0 800x720x24" "$here/drive-window.sh" "$wine" "$program/quillon.exe" \
        "${high_com^^}" "$shot" first:type first:keep last:keep >"$work/window.out" 2>&1; then
        echo "window: three runs on ${high_com^^} ended with their success box after $((SECONDS - started)) s"
    else
        fail "the window's runs under Wine (see its output below)"
        tail -n 20 "$work/window.out" >&2
    fi
    stop_simulator
    local linux window
    linux=$(received "$work/linux-velmora.wire")
    window=$(received "$work/window-velmora.wire")
    [ "${window#"$linux"}" != "$window" ] ||
        fail "window: the modem received other bytes from the window than from the Linux runner"
    records=("$WINEPREFIX"/drive_c/users/*/AppData/Local/quillon/runs.jsonl)
    local named
    named=$(grep -c "\"port\":\"${high_com^^}\"" "${records[@]}" 2>/dev/null || true)
    [ "$named" = 3 ] ||
        fail "window: $named of the 3 records name the port ${high_com^^} as the runner's records do"
}
check window_run

# station_window_run: the station window started with its set-up on the command line, as a line's
# computer starts it at log-in, driven under Xvfb (tools/windows/drive-station.sh): it begins at
# once, asks before closing while the modem is programmed, records the run as programmed on COM7,
# and ends when closed. The modem receives the same bytes as from the Linux runner's station; the
# probes for its removal that follow are left out of the comparison, since how long they go on
# depends on when each station was stopped.
station_window_run() {
    "$wineserver" -k 2>/dev/null || true # a session of its own, on this check's display
    local reference="$work/linux-station.jsonl" record="$work/station-window.jsonl"
    simulate linux-station --family script
    "$runner" --type velmora --data "$program" --port "$device" --continuous --record "$reference" \
        >"$work/linux-station.out" 2>&1 &
    local station=$!
    for _ in $(seq 600); do
        [ -s "$reference" ] && break
        sleep 0.2
    done
    kill "$station" 2>/dev/null || true
    wait "$station" 2>/dev/null || true
    stop_simulator
    grep -q '"result":"programmed"' "$reference" ||
        fail "station window: the Linux runner's station programmed no modem for the comparison"

    simulate station-window --family script
    ln -sfn "$device" "$WINEPREFIX/dosdevices/$com"
    local started=$SECONDS
    if xvfb-run -a -s "-screen 0 1024x720x24" "$here/drive-station.sh" "$wine" "$program/quillon.exe" \
        "$station_shot" "$work/station-window.wire" 'AT#ENHRST' "$record" \
        --type velmora --port "${com^^}" --record "Z:${record//\//\\}" >"$work/station-window.out" 2>&1; then
        sed -n 's/^drive-station: //p' "$work/station-window.out" | sed 's/^/station window: /'
    else
        fail "the station window under Wine, after $((SECONDS - started)) s (see its output below)"
        tail -n 20 "$work/station-window.out" >&2
    fi
    stop_simulator
    local runs
    runs=$(grep -c . "$record" 2>/dev/null || true)
    [ "$runs" = 1 ] || fail "station window: $runs records, not the one run's"
    { grep -q '"type":"velmora"' "$record" && grep -q "\"port\":\"${com^^}\"" "$record"; } 2>/dev/null ||
        fail "station window: the record names not the type velmora and the port ${com^^}: $(cat "$record" 2>/dev/null)"
    local probes='s/(41 54 45 30 0D 0A )+$//'
    if [ "$(received "$work/linux-station.wire" | sed -E "$probes")" != \
        "$(received "$work/station-window.wire" | sed -E "$probes")" ]; then
        fail "station window: the modem received other bytes than from the Linux runner's station"
        diff <(received "$work/linux-station.wire" | sed -E "$probes" | tr ' ' '\n') \
            <(received "$work/station-window.wire" | sed -E "$probes" | tr ' ' '\n') | head -n 20 >&2 || true
    fi
}
check station_window_run
# In English: Qt's own translations are in the package, the window runs to its English box and
# the runner's output has no Russian word.
english_run() {
    local qm
    for qm in qtbase_en.qm qtbase_ru.qm; do
        [ -s "$program/translations/$qm" ] || fail "the package lacks translations/$qm"
    done
    "$wineserver" -k 2>/dev/null || true
    simulate english-window --family script
    ln -sfn "$device" "$WINEPREFIX/dosdevices/$com"
    if QUILLON_LANG=en xvfb-run -a -s "-screen 0 800x720x24" "$here/drive-window.sh" "$wine" \
        "$program/quillon.exe" "${com^^}" "${shot%.*}-en.${shot##*.}" >"$work/window-en.out" 2>&1; then
        echo "window in English: the run ended with its success box"
    else
        fail "the English window's run under Wine (see its output below)"
        tail -n 20 "$work/window-en.out" >&2
    fi
    stop_simulator
    "$wineserver" -k 2>/dev/null || true
    simulate english-runner --family script
    ln -sfn "$device" "$WINEPREFIX/dosdevices/$com"
    QUILLON_LANG=en timeout 900 "$wine" "$program/quillon-flash.exe" --type velmora \
        --port "${com^^}" >"$work/runner-en.out" 2>&1 || fail "the English runner did not program"
    stop_simulator
    grep -q "Total: modems programmed: 1 of 1" "$work/runner-en.out" ||
        fail "the English runner's summary is missing"
    # The type's title is the catalogue's own text (Russian in the demo), not one of the runner's.
    local title said
    title=$(iconv -f cp1251 -t utf-8 "$program/Quillon_dir.ini" | tr -d '\r' | sed -n 's/:velmora$//p')
    said=$(<"$work/runner-en.out")
    [ -n "$title" ] && said=${said//"$title"/}
    if grep -qP '[\x{0400}-\x{04FF}]' <<<"$said"; then
        fail "the English runner wrote Russian words: $(grep -P '[\x{0400}-\x{04FF}]' <<<"$said" | head -n 3)"
    fi
}
check english_run

# installed_run: the installer as a technician would use it, silently, for the current user: a
# modem programmed from the installed folder; a profile the user edited there survives a second
# install over the first; an install into another folder uninstalls the first (leaving what the
# user changed or made) so that one uninstall entry names the one installation; the uninstall
# leaves nothing of the program's.
installed_run() {
    local folder="$WINEPREFIX/drive_c/QuillonTest" moved="$WINEPREFIX/drive_c/QuillonMoved"
    local status=0
    rm -rf "$folder" "$moved"
    if ! "$wine" "$installer" /S /CurrentUser '/D=C:\QuillonTest' || ! "$wineserver" -w; then
        fail "the installer ended with an error"
        return
    fi
    [ -f "$folder/quillon-flash.exe" ] || { fail "the installer installed no quillon-flash.exe"; return; }
    simulate installed-velmora --family script
    ln -sfn "$device" "$WINEPREFIX/dosdevices/$com"
    timeout 900 "$wine" "$folder/quillon-flash.exe" --type velmora --port "${com^^}" \
        >"$work/installed.out" 2>&1 || status=$?
    stop_simulator
    [ "$status" -eq 0 ] || fail "quillon-flash.exe from the installed folder ended with $status"
    if [ "$(received "$work/linux-velmora.wire")" != "$(received "$work/installed-velmora.wire")" ]; then
        fail "installed: the modem received other bytes than from the Linux runner"
    fi
    # A profile the user edited and a record of the user's own, which no install or uninstall
    # may touch.
    printf 'portname=COM5\r\n' >>"$folder/velmora/upload.ini"
    mkdir -p "$folder/records"
    echo "{}" >"$folder/records/run.json"
    if ! "$wine" "$installer" /S /CurrentUser '/D=C:\QuillonTest' || ! "$wineserver" -w; then
        fail "the second install ended with an error"
        return
    fi
    grep -q '^portname=COM5' "$folder/velmora/upload.ini" ||
        fail "a second install overwrote the profile the user edited"
    if ! "$wine" "$installer" /S /CurrentUser '/D=C:\QuillonMoved' || ! "$wineserver" -w; then
        fail "the install into another folder ended with an error"
        return
    fi
    local left
    left=$(cd "$folder" 2>/dev/null && find . -type f | sort | tr '\n' ' ')
    [ "$left" = "./records/run.json ./velmora/upload.ini " ] ||
        fail "after an install elsewhere the first folder holds: ${left:-nothing}"
    # The uninstall command Windows' program list runs: "folder\uninstall.exe" /CurrentUser /S
    local registered program switches
    registered=$("$wine" reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillon' \
        /v QuietUninstallString | sed -n 's/.*REG_SZ *//p' | tr -d '\r')
    [ -n "$registered" ] || { fail "the installer registered no uninstall command"; return; }
    program=${registered#\"}
    program=${program%%\"*}
    [ "$program" = 'C:\QuillonMoved\uninstall.exe' ] ||
        fail "the uninstall entry names $program, not the installation in C:\\QuillonMoved"
    switches=${registered##*\" }
    # shellcheck disable=SC2086 # each switch is a word of its own
    if ! "$wine" "$program" $switches || ! "$wineserver" -w; then
        fail "the uninstaller ended with an error"
    fi
    [ ! -e "$moved" ] || fail "after the uninstall C:\\QuillonMoved still holds: $(cd "$moved" && find . | tr '\n' ' ')"
    rm -rf "$folder" "$moved"
    echo "installer: installed, programmed a modem, installed again and elsewhere keeping the user's files, uninstalled"
}
check installed_run

echo "end to end under Wine: $passed_checks passed, $failed_checks failed"
[ "$failures" -eq 0 ]
