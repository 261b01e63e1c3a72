#!/usr/bin/env bash
# The Debian package tried as a technician would, in a throwaway root in the build tree: installed
# with `dpkg --root` (a dpkg database of its own: the machine's /etc, /usr and dpkg database are not
# touched), the programs' versions, the demo's script type programmed against the installed
# simulator, a user's and a system's types put in place, the package installed over itself and
# both types checked untouched, then the package removed and what stays listed. The root is
# removed on the way out.
#   tools/test-deb.sh BUILD_DIR DEB
set -euo pipefail

build=$(cd "${1:?usage: test-deb.sh BUILD_DIR DEB}" && pwd)
deb=$(realpath "${2:?usage: test-deb.sh BUILD_DIR DEB}")
version=$(dpkg-deb --field "$deb" Version)
root=$(mktemp -d "$build/deb-root.XXXXXX")
simulator_pid=
cleanup() {
    if [ -n "$simulator_pid" ]; then
        kill "$simulator_pid" 2>/dev/null || true
        wait "$simulator_pid" 2>/dev/null || true
    fi
    rm -rf "$root"
}
trap cleanup EXIT

fail() {
    echo "test-deb: $*" >&2
    exit 1
}

# dpkg on the throwaway root only; its dependencies (Qt) are the machine's, found by the dynamic
# loader as for any program.
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/log"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
in_root() {
    dpkg --root="$root" --log="$root/var/log/dpkg.log" --force-depends \
        "$@" >"$root/var/log/dpkg.out" 2>&1 || { cat "$root/var/log/dpkg.out" >&2; fail "dpkg $*"; }
}

echo "-- install $deb"
in_root --install "$deb"
programs="$root/usr/lib/quillon"
for file in usr/bin/quillon usr/bin/quillon-flash usr/lib/quillon/quillon-modemsim \
    usr/lib/quillon/demo/Quillon_dir.ini usr/share/doc/quillon/README.md.gz \
    usr/share/doc/quillon/USER-GUIDE.md.gz usr/share/doc/quillon/changelog.gz \
    usr/share/man/man1/quillon.1.gz usr/share/man/man1/quillon-flash.1.gz; do
    [ -e "$root/$file" ] || fail "$file is not installed"
done
# The demo is never the live catalogue of the system.
[ ! -e "$programs/Quillon_dir.ini" ] || fail "a catalogue in $programs"
[ ! -e "$root/etc/quillon" ] || fail "the package installs /etc/quillon"

echo "-- versions"
[ "$("$root/usr/bin/quillon-flash" --version)" = "quillon-flash $version" ] ||
    fail "quillon-flash --version: $("$root/usr/bin/quillon-flash" --version)"
[ "$("$root/usr/bin/quillon" --version)" = "quillon $version" ] ||
    fail "quillon --version: $("$root/usr/bin/quillon" --version)"

# Nothing of the machine's user: the types, records and placement of a user of the root.
home="$root/home/tech"
export XDG_DATA_HOME="$home/.local/share" XDG_CONFIG_HOME="$home/.config"
unset QUILLON_DATA_DIR
export QUILLON_PORTS_DIR="$root/ports" QUILLON_LOCK_DIR="$root/locks"
mkdir -p "$QUILLON_PORTS_DIR" "$QUILLON_LOCK_DIR"

echo "-- quillon-flash --type velmora --data $programs/demo"
"$programs/quillon-modemsim" --family script --name velmora >"$root/simulator.log" 2>&1 &
simulator_pid=$!
for _ in $(seq 100); do
    [ -e "$QUILLON_PORTS_DIR/velmora" ] && break
    sleep 0.1
done
[ -e "$QUILLON_PORTS_DIR/velmora" ] || fail "the simulator did not start: $(cat "$root/simulator.log")"
QUILLON_TIME_SPEEDUP=5 "$root/usr/bin/quillon-flash" --type velmora --data "$programs/demo" \
    --port "$QUILLON_PORTS_DIR/velmora" --json --record "$root/runs.jsonl" >"$root/flash.out" ||
    fail "the velmora run failed: $(tail -n 5 "$root/flash.out")"
grep -q '"event":"result".*"result":"programmed"' "$root/flash.out" || fail "no programmed result"
grep -q "\"version\":\"$version\"" "$root/runs.jsonl" || fail "the record's version is not $version"

echo "-- a user's and a system's types"
# The system's folder of the throwaway root stands for /etc/quillon/types, which dpkg must leave
# alone there as here; the user's is found by the programs themselves.
mkdir -p "$root/etc/quillon/types" "$XDG_DATA_HOME/quillon"
cp -r "$programs/demo/." "$root/etc/quillon/types/"
cp -r "$programs/demo" "$XDG_DATA_HOME/quillon/types"
printf 'Site type:velmora\r\n' >"$XDG_DATA_HOME/quillon/types/Quillon_dir.ini"
"$root/usr/bin/quillon-flash" --help | tail -n 1 |
    grep -qF "$XDG_DATA_HOME/quillon/types/ (the user's folder)" ||
    fail "--help does not name the user's folder: $("$root/usr/bin/quillon-flash" --help | tail -n 1)"
types_sum() { (cd "$root" && find etc/quillon home -type f -print0 | sort -z | xargs -0 sha256sum); }
before=$(types_sum)

echo "-- upgrade: the package over itself"
in_root --install "$deb"
[ "$(types_sum)" = "$before" ] || fail "the upgrade changed the user's or the system's types"

echo "-- remove"
in_root --remove quillon
[ ! -e "$programs" ] || fail "$programs stays after removal"
[ "$(types_sum)" = "$before" ] || fail "the removal changed the user's or the system's types"
echo "What stays after removal (besides dpkg's own files and this test's):"
(cd "$root" && find . -path ./var -prune -o -path ./ports -prune -o -path ./locks -prune -o \
    -type f ! -name 'simulator.log' ! -name 'flash.out' ! -name 'runs.jsonl' -print | sort)
echo "test-deb: quillon $version installed, ran, upgraded over itself and removed"
