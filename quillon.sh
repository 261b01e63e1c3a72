#!/usr/bin/env bash
# Set-up, build, test and demo in one place. Run as root on a fresh Debian 12 machine:
#   ./quillon.sh test   installs what is needed, builds, runs every suite (normal, ASan+UBSan and
#                       TSan tests, fuzzers, clang-tidy), each even when another failed, and ends
#                       with "quillon: N passed, N failed"; the status is non-zero on any failure
#   ./quillon.sh run    installs, builds, and starts the program on its demo data with simulated modems
#   ./quillon.sh windows        cross-builds the Windows programs and packs them (tools/windows/)
#   ./quillon.sh test-windows   the same, then tests them under Wine (tools/windows/commands.sh)
#   ./quillon.sh deb            builds the Debian package of what `cmake --install` installs
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
jobs=$(nproc)

packages=(build-essential cmake ninja-build pkg-config qt6-base-dev libgl-dev libgtest-dev libgmock-dev
          clang clang-tidy-14 libclang-rt-14-dev xvfb xauth fonts-dejavu-core help2man lintian)

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
        # Another apt-get or an unattended upgrade may hold the package lock for a while.
        local apt=(apt-get -o DPkg::Lock::Timeout=600)
        "${apt[@]}" update -qq
        "${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}"
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

cmd_deb() {
    install_packages
    install_packages dpkg-dev
    build "$top/build/normal"
    local deb
    deb=$(cd "$top/build/normal" && cpack -G DEB | sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p')
    # Debian's own checks: no error, and no warning that an override does not explain.
    lintian --fail-on error,warning "$deb"
    echo "quillon: $deb ($(du -h "$deb" | cut -f1))"
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
windows | test-windows)
    # The Windows commands live beside the Windows build.
    source "$top/tools/windows/commands.sh"
    "cmd_${1//-/_}" "${@:2}"
    ;;
deb) cmd_deb ;;
*)
    echo "usage: $0 test|run|build|windows|test-windows|deb" >&2
    exit 2
    ;;
esac
