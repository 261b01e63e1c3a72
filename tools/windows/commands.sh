# shellcheck shell=bash disable=SC2154
# The Windows commands of quillon.sh, which sources this file for them and lends it its helpers
# (install_packages, build, scratch_in_build_tree, suite, run_ctest, count, top, jobs):
#   ./quillon.sh windows        cross-builds the Windows programs, packs the zip and the installer
#   ./quillon.sh test-windows [--screenshot FILE] [--quiet-port COMn]
#                               the same, then tests them under Wine (unit tests, runs, the window)
# test-windows opens no port of the machine unless one is named: --quiet-port (or
# QUILLON_TEST_QUIET_COM) names a Wine port with a real, quiet line behind it, for the test of
# closing a port whose event wait is in flight. The window's screenshot goes to FILE, by default
# to the cache folder beside the Wine prefix, never into the tree unless asked.

# The cross compilers, Google Test's sources, what Qt's source package needs, the installer
# builder, Wine, and the null modem, display, screenshot and terminal tools of the Wine tests.
windows_packages=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools
                  binutils-mingw-w64-x86-64 googletest dpkg-dev xz-utils zip unzip nsis wine64 socat
                  xvfb xauth xdotool imagemagick tmux)

windows_build="$top/build/windows"
windows_cache=${XDG_CACHE_HOME:-$HOME/.cache}/quillon

# build_windows: Qt for Windows (built once, cached outside the tree), the programs, the zip and
# the installer.
build_windows() {
    install_packages
    install_packages "${windows_packages[@]}"
    local qt
    qt=$("$top/tools/windows/build-qt.sh" | tail -n 1)
    "$qt/bin/qt-cmake" -S "$top" -B "$windows_build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DQUILLON_BUILD_BENCHMARKS=OFF -DCMAKE_CROSSCOMPILING_EMULATOR="$(wine_program)" >/dev/null
    cmake --build "$windows_build" -j "$jobs"
    windows_zip=$("$top/tools/windows/make-zip.sh" "$windows_build" "$qt")
    windows_installer=$("$top/tools/windows/make-installer.sh" "$windows_build")
}

wine_program() {
    command -v wine64 || command -v wine || echo /usr/lib/wine/wine64
}

cmd_windows() {
    build_windows
    echo "quillon: $windows_zip ($(du -h "$windows_zip" | cut -f1))"
    echo "quillon: $windows_installer ($(du -h "$windows_installer" | cut -f1))"
}

# The Windows programs under Wine: the unit tests (the serial suite over a null modem of two
# pseudo-terminals), a programming run of each demo type against the Linux simulator, and the
# window under Xvfb, with a screenshot of its finished run.
cmd_test_windows() {
    local shot="$windows_cache/windows.png" quiet=${QUILLON_TEST_QUIET_COM:-}
    while (($#)); do
        case "$1" in
        --screenshot) shot=$(realpath -m "${2:?--screenshot needs a file}") && shift 2 ;;
        --quiet-port) quiet=${2:?--quiet-port needs a port such as COM1} && shift 2 ;;
        *)
            echo "usage: quillon.sh test-windows [--screenshot FILE] [--quiet-port COMn]" >&2
            return 2
            ;;
        esac
    done
    build_windows
    build "$top/build/normal"
    # Wine keeps its server folder in TMPDIR as well.
    scratch_in_build_tree
    local work
    work=$(mktemp -d -t quillon-wine.XXXXXX)
    unzip -q "$windows_zip" -d "$work"
    export WINEPREFIX=${QUILLON_WINEPREFIX:-$windows_cache/wine} WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=" # no prompts to install .NET or a browser engine
    [ -d "$WINEPREFIX/dosdevices" ] || "$(wine_program)" wineboot -i >/dev/null 2>&1
    "$top/tools/windows/null-modem.sh" start "$work" com5 com6
    # The tests find the Qt and runtime DLLs in the unpacked program folder. Wine gives the
    # machine's own serial ports COM names too; the tests use only COM5 to COM7, which they link
    # to pseudo-terminals, and the quiet port when the user named one.
    suite windows run_ctest "$windows_build" WINEPATH="Z:${work//\//\\}\\Quillon" \
        QUILLON_TEST_COM_PAIR=COM5,COM6 QUILLON_TEST_QUIET_COM="$quiet"
    "$top/tools/windows/null-modem.sh" stop "$work"
    mkdir -p "$(dirname "$shot")"
    suite wine-runs wine_runs "$work/Quillon" "$shot" "$windows_installer"
    rm -rf "$work"
    printf '%s\n' "${results[@]}"
    echo "quillon: the window's screenshots are $shot and ${shot%.*}-station.png"
    echo "quillon (Windows under Wine): $passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}

# wine_runs PROGRAM_DIR SHOT INSTALLER
wine_runs() {
    local log status=0
    log=$(mktemp)
    "$top/tools/windows/test-wine.sh" "$1" "$top/build/normal" "$2" "$3" | tee "$log" || status=$?
    local p f
    read -r p f < <(sed -n 's/^end to end under Wine: \([0-9]*\) passed, \([0-9]*\) failed$/\1 \2/p' "$log") || true
    rm -f "$log"
    count "${p:-0}" "${f:-0}"
    return "$status"
}
