# shellcheck shell=bash
# Finding and activating Wine's windows on an X display without a window manager, for the
# scripts that drive the programs from the keyboard (sourced by drive-window.sh and
# drive-station.sh).

# window NAME SECONDS: the id of the shown window whose title matches NAME (a regular expression).
window() {
    local id
    id=$(timeout "$2" xdotool search --sync --onlyvisible --name "$1" | head -n 1) || true
    if [ -z "$id" ]; then
        echo "no window named \"$1\" after $2 s; the windows shown are:" >&2
        xdotool search --onlyvisible --name . 2>/dev/null |
            while read -r w; do xdotool getwindowname "$w"; done >&2
        return 1
    fi
    echo "$id"
}

# Without a window manager Wine activates a window when it is clicked: its title bar is.
activate() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xdotool mousemove $((X + 60)) $((Y + 8)) click 1
    sleep 1
}

# screenshot WINDOW FILE: the window as it shows on the screen, into a PNG file.
screenshot() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$2"
}
