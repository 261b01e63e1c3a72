#!/usr/bin/env bash
# Set-up, build, test and demo in one place. Run as root on a fresh Debian 12 machine:
#   ./quillon.sh test   installs what is needed, builds, runs every suite (normal, ASan+UBSan and
#                       TSan tests, fuzzers, clang-tidy), each even when another failed, and ends
#                       with "quillon: N passed, N failed"; the status is non-zero on any failure
#   ./quillon.sh run    installs, builds, and starts the program on its demo data with simulated modems
#   ./quillon.sh windows        cross-builds the Windows programs and packs them into a zip
#   ./quillon.sh test-windows   the same, then tests them under Wine (unit tests, runs, the window)
#   ./quillon.sh deb            builds the Debian package of what `cmake --install` installs
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
jobs=$(nproc)

packages=(build-essential cmake ninja-build pkg-config qt6-base-dev libgl-dev libgtest-dev libgmock-dev
          clang clang-tidy-14 libclang-rt-14-dev xvfb xauth fonts-dejavu-core)

# Only for the Windows commands: the cross compilers, Google Test's sources, what Qt's source
# package needs, Wine, and the null modem, display and screenshot tools of the Wine tests.
windows_packages=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools
                  binutils-mingw-w64-x86-64 googletest dpkg-dev xz-utils zip unzip wine64 socat xvfb xauth
                  xdotool imagemagick)

# install_packages [PACKAGE...]: the missing ones of those given (default: the list above).
install_packages() {
    local wanted=("$@")
    ((${#wanted[@]})) || wanted=("${packages[@]}")
    local missing=()
    for p in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if ((${#missing[@]})); then
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq
        apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

# build DIR [cmake options...]
build() {
    local dir=$1
    shift
    cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
}

# What the suites found; the closing line adds them up.
passed=0
failed=0
results=()

# count PASSED FAILED: adds to the counts of the suite that is running (in its own subshell).
count() {
    local p f
    read -r p f <"$suite_counts"
    echo "$((p + $1)) $((f + $2))" >"$suite_counts"
}

# suite NAME COMMAND...: runs one suite with errexit in force inside it. A failing suite does not
# stop the others: its failure is counted (as one failure at least) and reported at the end.
suite() {
    local name=$1
    shift
    suite_counts=$(mktemp)
    echo "0 0" >"$suite_counts"
    echo "== $name"
    set +e
    (
        set -e
        "$@"
    )
    local status=$?
    set -e
    local p f
    read -r p f <"$suite_counts"
    rm -f "$suite_counts"
    if ((status != 0 && f == 0)); then
        f=1
    fi
    passed=$((passed + p))
    failed=$((failed + f))
    local verdict=passed
    ((f == 0)) || verdict=FAILED
    results+=("$(printf '%-12s %s (%d passed, %d failed)' "$name" "$verdict" "$p" "$f")")
}

# ctest_suite DIR [cmake options...] -- [VAR=value...]: builds DIR and runs its tests.
ctest_suite() {
    local dir=$1
    shift
    local options=()
    while (($#)) && [ "$1" != -- ]; do
        options+=("$1")
        shift
    done
    shift
    build "$dir" "${options[@]}"
    run_ctest "$dir" "$@"
}

# run_ctest DIR [VAR=value...]: the tests of a built DIR, counted for the running suite.
run_ctest() {
    local dir=$1
    shift
    local log status=0
    log=$(mktemp)
    (cd "$dir" && env "$@" ctest --output-on-failure --no-tests=error -j "$jobs" --timeout 900) |
        tee "$log" || status=$?
    local total failing
    total=$(sed -n 's/.* tests failed out of \([0-9]*\)$/\1/p' "$log")
    failing=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of.*/\1/p' "$log")
    rm -f "$log"
    count "$((${total:-0} - ${failing:-0}))" "${failing:-0}"
    return "$status"
}

fuzz_suite() {
    local dir="$top/build/fuzz"
    CXX=clang++ cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_FUZZ=ON \
        -DQUILLON_BUILD_TESTS=OFF -DQUILLON_BUILD_BENCHMARKS=OFF >/dev/null
    cmake --build "$dir" -j "$jobs" --target quillon_fuzzers
    local corpus log fuzzers=0
    for fuzzer in "$dir"/fuzz/fuzz_*; do
        [ -f "$fuzzer" ] && [ -x "$fuzzer" ] || continue
        fuzzers=$((fuzzers + 1))
        echo "-- ${fuzzer##*/} (20 s)"
        corpus=$(mktemp -d)
        log=$(mktemp)
        if "$fuzzer" -max_total_time=20 -rss_limit_mb=2048 "$corpus" >"$log" 2>&1; then
            grep '^Done' "$log" || true
            count 1 0
        else
            tail -n 40 "$log"
            count 0 1
        fi
        rm -rf "$corpus" "$log"
    done
    ((fuzzers > 0))
}

# The checks of .clang-tidy over the program's own sources (the tests and benchmarks are left
# out: their test macros are not worth rewriting for it), with the normal build's compile commands.
tidy_suite() {
    local database="$top/build/normal"
    [ -f "$database/compile_commands.json" ] || build "$database"
    local sources=()
    mapfile -t sources < <(cd "$top" && git ls-files -- '*.cpp' |
        grep -v -e '^tests/' -e '^bench/' -e '_win\.cpp$')
    local log status=0
    log=$(mktemp)
    (cd "$top" && run-clang-tidy-14 -quiet -p "$database" -j "$jobs" "${sources[@]}") >"$log" 2>&1 ||
        status=$?
    # Only the findings; the counts of warnings in system headers are noise.
    sed 's/\x1b\[[0-9;]*m//g' "$log" | grep -v -e ' warnings\? generated\.$' -e '^Suppressed ' \
        -e '^Use -header-filter' -e '^clang-tidy-14 ' -e '^Running clang-tidy' || true
    rm -f "$log"
    echo "clang-tidy: ${#sources[@]} files"
    if ((status == 0)); then count 1 0; else count 0 1; fi
    return "$status"
}

cmd_test() {
    install_packages
    suite normal ctest_suite "$top/build/normal" --
    suite asan ctest_suite "$top/build/asan" -DQUILLON_SANITIZE=address -DQUILLON_BUILD_BENCHMARKS=OFF -- \
        ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    suite tsan ctest_suite "$top/build/tsan" -DQUILLON_SANITIZE=thread -DQUILLON_BUILD_BENCHMARKS=OFF -- \
        TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$top/tests/tsan.supp"
    suite fuzzers fuzz_suite
    suite clang-tidy tidy_suite
    printf '%s\n' "${results[@]}"
    echo "quillon: $passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}

windows_build="$top/build/windows"

# build_windows: Qt for Windows (built once, cached outside the tree), the programs, the zip.
build_windows() {
    install_packages
    install_packages "${windows_packages[@]}"
    local qt
    qt=$("$top/tools/windows/build-qt.sh" | tail -n 1)
    "$qt/bin/qt-cmake" -S "$top" -B "$windows_build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DQUILLON_BUILD_BENCHMARKS=OFF -DCMAKE_CROSSCOMPILING_EMULATOR="$(wine_program)" >/dev/null
    cmake --build "$windows_build" -j "$jobs"
    windows_zip=$("$top/tools/windows/make-zip.sh" "$windows_build" "$qt")
}

wine_program() {
    command -v wine64 || command -v wine || echo /usr/lib/wine/wine64
}

cmd_windows() {
    build_windows
    echo "quillon: $windows_zip ($(du -h "$windows_zip" | cut -f1))"
}

# The Windows programs under Wine: the unit tests (the serial suite over a null modem of two
# pseudo-terminals), a programming run of each demo type against the Linux simulator, and the
# window under Xvfb, whose screenshot goes to docs/.
cmd_test_windows() {
    build_windows
    build "$top/build/normal"
    local work
    work=$(mktemp -d /tmp/quillon-wine.XXXXXX)
    unzip -q "$windows_zip" -d "$work"
    export WINEPREFIX=${QUILLON_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/quillon/wine} WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=" # no prompts to install .NET or a browser engine
    [ -d "$WINEPREFIX/dosdevices" ] || "$(wine_program)" wineboot -i >/dev/null 2>&1
    "$top/tools/windows/null-modem.sh" start "$work" com5 com6
    # The tests find the Qt and runtime DLLs in the unpacked program folder.
    # Wine's COM1 is the machine's first UART, when it has one: a port with a real driver.
    local quiet=
    [ -c "$(readlink -f "$WINEPREFIX/dosdevices/com1" 2>/dev/null)" ] && quiet=COM1
    suite windows run_ctest "$windows_build" WINEPATH="Z:${work//\//\\}\\Quillon" \
        QUILLON_TEST_COM_PAIR=COM5,COM6 QUILLON_TEST_QUIET_COM=$quiet
    "$top/tools/windows/null-modem.sh" stop "$work"
    suite wine-runs wine_runs "$work/Quillon"
    rm -rf "$work"
    printf '%s\n' "${results[@]}"
    echo "quillon (Windows under Wine): $passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}

wine_runs() {
    local log status=0
    log=$(mktemp)
    "$top/tools/windows/test-wine.sh" "$1" "$top/build/normal" "$top/docs" | tee "$log" || status=$?
    local p f
    read -r p f < <(sed -n 's/^end to end under Wine: \([0-9]*\) passed, \([0-9]*\) failed$/\1 \2/p' "$log") || true
    rm -f "$log"
    count "${p:-0}" "${f:-0}"
    return "$status"
}

cmd_deb() {
    install_packages
    install_packages dpkg-dev
    build "$top/build/normal"
    (cd "$top/build/normal" && cpack -G DEB | sed -n 's/.*package: //p')
}

cmd_run() {
    install_packages
    build "$top/build/normal"
    exec "$top/tools/demo.sh" "$top/build/normal"
}

case "${1:-}" in
test) cmd_test ;;
run) cmd_run ;;
build) install_packages && build "$top/build/normal" ;;
windows) cmd_windows ;;
test-windows) cmd_test_windows ;;
deb) cmd_deb ;;
*)
    echo "usage: $0 test|run|build|windows|test-windows|deb" >&2
    exit 2
    ;;
esac
