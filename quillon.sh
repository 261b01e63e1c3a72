#!/usr/bin/env bash
# Set-up, build, test and demo in one place. Run as root on a fresh Debian 12 machine:
#   ./quillon.sh test   installs what is needed, builds, runs every test (normal, ASan+UBSan, TSan)
#   ./quillon.sh run    installs, builds, and starts the program on its demo data with simulated modems
#   ./quillon.sh windows        cross-builds the Windows programs and packs them into a zip
#   ./quillon.sh test-windows   the same, then tests them under Wine (unit tests, runs, the window)
#   ./quillon.sh deb            builds the Debian package of what `cmake --install` installs
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
jobs=$(nproc)

packages=(build-essential cmake ninja-build pkg-config qt6-base-dev libgl-dev libgtest-dev libgmock-dev
          clang libclang-rt-14-dev xvfb xauth fonts-dejavu-core)

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

passed=0
failed=0

# run_tests DIR [VAR=value...]: ctest in DIR; the counts add up to the closing summary.
run_tests() {
    local dir=$1
    shift
    echo "== tests: ${dir##*/}"
    local log status=0 total
    log=$(mktemp)
    (cd "$dir" && env "$@" ctest --output-on-failure --no-tests=error -j "$jobs" --timeout 900) |
        tee "$log" || status=$?
    total=$(sed -n 's/.* tests failed out of \([0-9]*\)$/\1/p' "$log")
    local failing
    failing=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of.*/\1/p' "$log")
    rm -f "$log"
    passed=$((passed + ${total:-0} - ${failing:-0}))
    failed=$((failed + ${failing:-0}))
    return "$status"
}

run_fuzzers() {
    local dir="$top/build/fuzz"
    CXX=clang++ cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_FUZZ=ON \
        -DQUILLON_BUILD_TESTS=OFF -DQUILLON_BUILD_BENCHMARKS=OFF >/dev/null
    cmake --build "$dir" -j "$jobs" --target quillon_fuzzers
    local corpus log
    for fuzzer in "$dir"/fuzz/fuzz_*; do
        [ -f "$fuzzer" ] && [ -x "$fuzzer" ] || continue
        echo "== fuzzing: ${fuzzer##*/} (20 s)"
        corpus=$(mktemp -d)
        log=$(mktemp)
        if "$fuzzer" -max_total_time=20 -rss_limit_mb=2048 "$corpus" >"$log" 2>&1; then
            grep '^Done' "$log" || true
            passed=$((passed + 1))
        else
            tail -n 40 "$log"
            failed=$((failed + 1))
        fi
        rm -rf "$corpus" "$log"
    done
}

cmd_test() {
    install_packages
    build "$top/build/normal"
    run_tests "$top/build/normal"
    build "$top/build/asan" -DQUILLON_SANITIZE=address -DQUILLON_BUILD_BENCHMARKS=OFF
    run_tests "$top/build/asan" ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    build "$top/build/tsan" -DQUILLON_SANITIZE=thread -DQUILLON_BUILD_BENCHMARKS=OFF
    run_tests "$top/build/tsan" TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$top/tests/tsan.supp"
    run_fuzzers
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
    local work status=0
    work=$(mktemp -d /tmp/quillon-wine.XXXXXX)
    unzip -q "$windows_zip" -d "$work"
    export WINEPREFIX=${QUILLON_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/quillon/wine} WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=" # no prompts to install .NET or a browser engine
    local wine
    wine=$(wine_program)
    [ -d "$WINEPREFIX/dosdevices" ] || "$wine" wineboot -i >/dev/null 2>&1
    "$top/tools/windows/null-modem.sh" start "$work" com5 com6
    # The tests find the Qt and runtime DLLs in the unpacked program folder.
    run_tests "$windows_build" WINEPATH="Z:${work//\//\\}\\Quillon" \
        QUILLON_TEST_COM_PAIR=COM5,COM6 || status=1
    "$top/tools/windows/null-modem.sh" stop "$work"
    echo "== end to end under Wine"
    if "$top/tools/windows/test-wine.sh" "$work/Quillon" "$top/build/normal" "$top/docs"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        status=1
    fi
    rm -rf "$work"
    echo "quillon (Windows under Wine): $passed passed, $failed failed"
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
