#!/usr/bin/env bash
# Set-up, build, test and demo in one place. Run as root on a fresh Debian 12 machine:
#   ./quillon.sh test   installs what is needed, builds, runs every suite (normal, ASan+UBSan and
#                       TSan tests, fuzzers, clang-tidy, clang-format), each even when another
#                       failed, and ends with "quillon: N passed, N failed"; the status is non-zero
#                       on any failure. In a build folder, `ctest -j4` runs that build's tests.
#   ./quillon.sh run    installs, builds, and starts the program on its demo data with simulated modems
#   ./quillon.sh windows        cross-builds the Windows programs and packs them (tools/windows/)
#   ./quillon.sh test-windows   the same, then tests them under Wine (tools/windows/commands.sh)
#   ./quillon.sh deb            builds the Debian package of what `cmake --install` installs, checks
#                               it with lintian and tries it in a throwaway root (tools/test-deb.sh)
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
jobs=$(nproc)

packages=(build-essential cmake ninja-build pkg-config qt6-base-dev libgl-dev libgtest-dev libgmock-dev
          clang clang-tidy-14 clang-format-14 libclang-rt-14-dev xvfb xauth fonts-dejavu-core help2man
          lintian ccache qt6-l10n-tools qt6-translations-l10n)

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

# configure DIR [cmake options...]: each target's sources compiled as one unit, which halves the
# time of a build from nothing, with only the line tables of debugging information (what a
# backtrace needs; the package strips them anyway), which saves a quarter of the rest.
configure() {
    local dir=$1
    shift
    cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_UNITY_BUILD=ON \
        -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" "$@" >/dev/null
}

# build DIR [cmake options...]
build() {
    configure "$@"
    cmake --build "$1" -j "$jobs"
}

# Whatever the command, what the compilers, the tests and the tools put aside stays in the build
# tree, and a run that was killed leaves nothing in the machine's /tmp.
scratch_in_build_tree() {
    export TMPDIR="$top/build/tmp"
    mkdir -p "$TMPDIR"
}

# What the suites found; the closing line adds them up.
passed=0
failed=0
results=()
# Tests at a time in run_ctest; the test command runs more (see cmd_test).
test_jobs=$jobs

# count PASSED FAILED: adds to the counts of the suite that is running (in its own subshell).
count() {
    local p f
    read -r p f <"$suite_counts"
    echo "$((p + $1)) $((f + $2))" >"$suite_counts"
}

# run_suite COUNTS COMMAND...: runs one suite with errexit in force inside it and leaves what it
# found in the file COUNTS ("passed failed"); a failing command counts as one failure at least.
run_suite() {
    suite_counts=$1
    shift
    echo "0 0" >"$suite_counts"
    set +e
    (
        set -e
        "$@"
    )
    local status=$?
    set -e
    local p f
    read -r p f <"$suite_counts"
    ((status == 0 || f > 0)) || f=1
    echo "$p $f" >"$suite_counts"
}

# add_result NAME COUNTS: the suite's line of the summary and its share of the closing line.
add_result() {
    local p f
    read -r p f <"$2"
    passed=$((passed + p))
    failed=$((failed + f))
    local verdict=passed
    ((f == 0)) || verdict=FAILED
    results+=("$(printf '%-12s %s (%d passed, %d failed)' "$1" "$verdict" "$p" "$f")")
}

# suite NAME COMMAND...: runs one suite now. A failing suite does not stop the others: its failure
# is counted and reported at the end.
suite() {
    local name=$1 counts
    shift
    counts=$(mktemp)
    echo "== $name"
    run_suite "$counts" "$@"
    add_result "$name" "$counts"
    rm -f "$counts"
}

# run_ctest DIR [VAR=value...]: the tests of a built DIR, counted for the running suite from the
# JUnit report ctest writes. Each test has its own time-out (tests/CMakeLists.txt).
run_ctest() {
    local dir=$1
    shift
    local report status=0
    report=$(mktemp)
    (cd "$dir" && env "$@" ctest --output-on-failure --no-tests=error -j "$test_jobs" \
        --output-junit "$report") || status=$?
    # A test that did not run (skipped, disabled) counts neither way.
    local passed_here failed_here
    passed_here=$(grep -c '<testcase .* status="run">' "$report" || true)
    failed_here=$(grep -c '<testcase .* status="fail">' "$report" || true)
    rm -f "$report"
    count "${passed_here:-0}" "${failed_here:-0}"
    return "$status"
}

# The libFuzzer targets, built with clang, each run for 20 s from an empty corpus; the two cores
# take one each.
fuzz_suite() {
    local dir="$top/build/fuzz"
    CXX=clang++ configure "$dir" -DQUILLON_FUZZ=ON -DQUILLON_BUILD_TESTS=OFF -DQUILLON_BUILD_BENCHMARKS=OFF
    cmake --build "$dir" -j "$jobs" --target quillon_fuzzers
    local fuzzer fuzzers=() pids=() at log
    for fuzzer in "$dir"/fuzz/fuzz_*; do
        [ -f "$fuzzer" ] && [ -x "$fuzzer" ] || continue
        fuzzers+=("$fuzzer")
        run_fuzzer "$fuzzer" &
        pids+=("$!")
    done
    ((${#fuzzers[@]} > 0))
    for at in "${!fuzzers[@]}"; do
        echo "-- ${fuzzers[at]##*/} (20 s)"
        log="${fuzzers[at]}.log"
        # Its closing line, or its report if it found something.
        if wait "${pids[at]}"; then
            grep '^Done' "$log" || true
            count 1 0
        else
            tail -n 40 "$log"
            count 0 1
        fi
    done
}

# run_fuzzer FUZZER: its output goes to FUZZER.log.
run_fuzzer() {
    local corpus status=0
    corpus=$(mktemp -d)
    "$1" -max_total_time=20 -rss_limit_mb=2048 "$corpus" >"$1.log" 2>&1 || status=$?
    rm -rf "$corpus"
    return "$status"
}

# The checks of .clang-tidy over the program's own sources (the tests and benchmarks are left
# out: their test macros are not worth rewriting for it). It reads the units the normal build
# compiled, one a library, so that the Qt headers are parsed once a library instead of once a
# file (a quarter of the time); the header filter of .clang-tidy therefore takes in the .cpp files
# too. The units are made by including .cpp files, which is the one thing not to report in them.
tidy_suite() {
    local database="$top/build/normal"
    [ -f "$database/compile_commands.json" ] || build "$database"
    local sources=() units=() alone=() included source
    mapfile -t sources < <(cd "$top" && git ls-files -- '*.cpp' |
        grep -v -e '^tests/' -e '^bench/' -e '_win\.cpp$')
    mapfile -t units < <(cd "$database" && find . \( -path ./tests -o -path ./bench \) -prune -o \
        -path '*/Unity/unity_*_cxx.cxx' -print | sort)
    included=$(cd "$database" && sed -n 's/^#include "\(.*\)"$/\1/p' "${units[@]}")
    # A source that no unit includes is read on its own; one that the build did not compile at
    # all would go unchecked, which is a failure of the suite.
    for source in "${sources[@]}"; do
        grep -qxF "$top/$source" <<<"$included" && continue
        if ! grep -qF "\"file\": \"$top/$source\"" "$database/compile_commands.json"; then
            echo "clang-tidy: $source is not compiled in $database"
            return 1
        fi
        alone+=("$top/$source")
    done
    local log status=0
    log=$(mktemp)
    (cd "$top" && run-clang-tidy-14 -quiet -p "$database" -j "$jobs" -checks=-bugprone-suspicious-include \
        -extra-arg=-Wno-unknown-warning-option "${units[@]/#./$database}" "${alone[@]}") >"$log" 2>&1 ||
        status=$?
    # Only the findings; the counts of warnings in system headers are noise.
    sed 's/\x1b\[[0-9;]*m//g' "$log" | grep -v -e ' warnings\? generated\.$' -e '^Suppressed ' \
        -e '^Use -header-filter' -e '^clang-tidy-14 ' -e '^Running clang-tidy' || true
    rm -f "$log"
    echo "clang-tidy: ${#sources[@]} files in ${#units[@]} units and ${#alone[@]} alone"
    if ((status == 0)); then count 1 0; else count 0 1; fi
    return "$status"
}

# The sources laid out as .clang-format says: every tracked C++ file.
format_suite() {
    local sources=() status=0
    mapfile -t sources < <(cd "$top" && git ls-files -- '*.cpp' '*.h')
    ((${#sources[@]} > 0))
    (cd "$top" && clang-format-14 --dry-run --Werror "${sources[@]}") || status=$?
    echo "clang-format: ${#sources[@]} files"
    if ((status == 0)); then count 1 0; else count 0 1; fi
    return "$status"
}

# The suites of the test command run side by side: the builds, clang-tidy and the fuzzers, which
# keep the cores busy, one after the other in the order of their turns, and the tests of each
# build (which mostly wait for pseudo-terminals and sped-up timers) while the next one builds.
# in_turn N COMMAND...: runs COMMAND once turn N-1 has ended, then ends turn N, also on failure.
in_turn() {
    local turn=$1 status=0
    shift
    until [ -e "$state/turn-$((turn - 1))" ]; do sleep 1; done
    local began=$SECONDS
    "$@" || status=$?
    echo "-- $1: $((SECONDS - began)) s"
    touch "$state/turn-$turn"
    return "$status"
}

# tested_build TURN DIR [cmake options...]: builds DIR in its turn, then runs its tests.
tested_build() {
    local turn=$1 dir=$2
    shift 2
    in_turn "$turn" build "$dir" "$@"
    run_ctest "$dir"
}

# start NAME COMMAND...: starts a suite in the background; its output waits in its log.
start() {
    local name=$1
    shift
    run_suite "$state/$name.counts" "$@" >"$state/$name.log" 2>&1 &
    started+=("$name")
    started_pids+=("$!")
}

cmd_test() {
    install_packages
    if [ -z "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ] && command -v ccache >/dev/null; then
        export CMAKE_CXX_COMPILER_LAUNCHER=ccache
    fi
    scratch_in_build_tree
    # Twice as many tests as cores: they stay green beside two busy loops at that.
    test_jobs=$((2 * jobs))
    state=$(mktemp -d)
    started=()
    started_pids=()
    # On the way out, interrupted or not: the suites still running stopped, the state gone. Under
    # errexit a failing command in the trap would become the script's status.
    trap '((${#started_pids[@]} == 0)) || kill "${started_pids[@]}" 2>/dev/null || true; rm -rf "$state"' EXIT
    touch "$state/turn-0"
    start format format_suite
    start normal tested_build 1 "$top/build/normal"
    start asan tested_build 2 "$top/build/asan" -DQUILLON_SANITIZE=address -DQUILLON_BUILD_BENCHMARKS=OFF
    start tsan tested_build 3 "$top/build/tsan" -DQUILLON_SANITIZE=thread -DQUILLON_BUILD_BENCHMARKS=OFF
    start fuzzers in_turn 4 fuzz_suite
    start clang-tidy in_turn 5 tidy_suite
    local at
    for at in "${!started[@]}"; do
        wait "${started_pids[at]}" || true
        echo "== ${started[at]}"
        cat "$state/${started[at]}.log"
        add_result "${started[at]}" "$state/${started[at]}.counts"
    done
    started_pids=()
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
    scratch_in_build_tree
    lintian --fail-on error,warning "$deb"
    # Installed, run, upgraded over itself and removed, in a throwaway root in the build tree.
    "$top/tools/test-deb.sh" "$top/build/normal" "$deb"
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
