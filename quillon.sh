#!/usr/bin/env bash
# Set-up, build, test and demo in one place. Run as root on a fresh Debian 12 machine:
#   ./quillon.sh test   installs what is needed, builds, runs every test (normal, ASan+UBSan, TSan)
#   ./quillon.sh run    installs, builds, and starts the program on its demo data with simulated modems
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
jobs=$(nproc)

packages=(build-essential cmake ninja-build pkg-config qt6-base-dev libgl-dev libgtest-dev libgmock-dev
          clang libclang-rt-14-dev xvfb xauth fonts-dejavu-core)

install_packages() {
    local missing=()
    for p in "${packages[@]}"; do
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

cmd_run() {
    install_packages
    build "$top/build/normal"
    exec "$top/tools/demo.sh" "$top/build/normal"
}

case "${1:-}" in
test) cmd_test ;;
run) cmd_run ;;
build) install_packages && build "$top/build/normal" ;;
*)
    echo "usage: $0 test|run|build" >&2
    exit 2
    ;;
esac
