#!/usr/bin/env bash
# The installed program driven from outside, as a user with a screen reader or a desktop
# test tool drives it: the Debian package unpacked, the server started in a real X
# session (Xvfb) with its accessibility bridge on, two command-line devices as the
# phone and the tablet, and drive.py acting through the AT-SPI tree by role and name.
# Runs inside the test network namespace (CTest); it adds a veth pair of its own there.
# Usage: desktop-suite.sh <build-dir> <source-dir>
set -euo pipefail

build="$(cd "${1:?usage: $0 <build-dir> <source-dir>}" && pwd)"
source_dir="$(cd "${2:?usage: $0 <build-dir> <source-dir>}" && pwd)"
port=21341
work="$(mktemp -d)"
peer_namespace="tsvpeer-$$"
chmod 755 "$work"
cleanup() {
    pkill -KILL -f "$work/root/usr/bin/" 2>/dev/null || true
    ip link del tsvtest0 2>/dev/null || true
    ip netns del "$peer_namespace" 2>/dev/null || true
    for address in $client_addresses; do ip addr del "$address/32" dev lo 2>/dev/null || true; done
    [ -n "${TESSIVAR_KEEP_WORK:-}" ] && echo "work folder kept: $work" || rm -rf "$work"
}
trap cleanup EXIT

package="$(ls -t "$build"/package/tessivar_*.deb 2>/dev/null | head -n 1 || true)"
root="$work/root"
if [ -n "$package" ] && [ "$package" -nt "$build/bin/tessivar" ]; then
    dpkg-deb -x "$package" "$root"
    echo "unpacked $(basename "$package")"
else
    DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
    echo "installed with cmake --install"
fi

# An interface of this namespace's own, which the network page must list.
if ip link add tsvtest0 type veth peer name tsvtest1 2>/dev/null; then
    ip addr add 10.213.7.1/24 dev tsvtest0
    ip link set tsvtest0 up
    ip link set tsvtest1 up
    export TEST_INTERFACE_ADDRESS=10.213.7.1
else
    echo "no veth pair can be made here: the address check is skipped"
fi
# The tablet is a host of its own behind the veth pair: the server tells devices apart
# by their addresses, and on loopback every connection comes from 127.0.0.1.
tablet_address=127.0.0.1
if [ -n "${TEST_INTERFACE_ADDRESS:-}" ] && ip netns add "$peer_namespace" 2>/dev/null \
    && ip link set tsvtest1 netns "$peer_namespace" \
    && ip -n "$peer_namespace" addr add 10.213.7.2/24 dev tsvtest1 \
    && ip -n "$peer_namespace" link set tsvtest1 up && ip -n "$peer_namespace" link set lo up; then
    tablet_address=10.213.7.2
else
    echo "no second host can be made here: both devices speak from loopback"
fi

# The clients speak from loopback addresses of their own: the server keeps one
# connection per address, and Phone A holds 127.0.0.1.
client_addresses=""
for address in 127.0.0.5 127.0.0.6; do
    ip addr add "$address/32" dev lo 2>/dev/null && client_addresses="$client_addresses $address"
done

home="$work/home"
data="$home/data/Tessivar/Tessivar Remote Dashboard"
mkdir -p "$home" "$data" "$work/elsewhere"
printf '[common]\nPort=%s\nLogDebug=true\nShowTutorial=false\nShowSplashScreen=false\n[app]\nShowUpdateNotifications=false\nIgnoreFirewall=true\n' \
    "$port" >"$data/config"
# The server's working folder holds only the program that the Shortcut block chooses:
# the Qt Quick file dialog opens there with it as its first entry.
printf '#!/bin/sh\ntouch "%s/marker"\n' "$work" >"$work/elsewhere/marker-program"
chmod 755 "$work/elsewhere/marker-program"
cp "$source_dir/tests/desktop/drive.py" "$work/drive.py"
cp "$source_dir/scripts/under-xvfb.sh" "$work/under-xvfb.sh"

run=()
if [ "$(id -u)" -eq 0 ]; then
    # As a package's user runs it: an ordinary user who cannot write the program's folder.
    chown -R 65534:65534 "$work"
    chown -R root:root "$root"
    run=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi

cat >"$work/session.sh" <<'SESSION'
#!/usr/bin/env bash
# Inside the X and D-Bus session: the server, the two devices, the driver, a second start.
set -uo pipefail
work="$1"; port="$2"; data="$3"
root="$work/root"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "PASS: $*"; }
cd "$work/elsewhere"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 QT_QPA_PLATFORM=xcb QT_QUICK_BACKEND=software
"$root/usr/bin/tessivar" >"$work/server.out" 2>&1 &
server=$!
ready=0
for _ in $(seq 1 600); do
    grep -qs -- "---- Application ready ----" "$data"/log/log_*_desktop.txt && { ready=1; break; }
    kill -0 "$server" 2>/dev/null || break
    sleep 0.1
done
if [ $ready -ne 1 ]; then
    fail "the installed server did not start:"; cat "$work/server.out"; exit 1
fi
"$root/usr/bin/tessivar-device" --address "127.0.0.1:$port" --name "Phone A" --state "$work/peer-a.ini" \
    --timeout 30 >"$work/peer-a.out" 2>&1 &
touch "$work/server-ready"
for peer in a b; do
    for _ in $(seq 1 300); do grep -qs '^Registered with' "$work/peer-$peer.out" && break; sleep 0.1; done
    grep -qs '^Registered with' "$work/peer-$peer.out" || fail "device $peer did not register: $(cat "$work/peer-$peer.out")"
done

# Two tessivar-client windows, each with folders of its own, as on two screens.
steps=(window place_text place_shortcut export import)
client_pids=()
read -r -a addresses <<<"$CLIENT_ADDRESSES"
if [ ${#addresses[@]} -eq 2 ]; then
    for client in a b; do
        name="Desk panel"; address=${addresses[0]}
        [ $client = b ] && { name="Desk panel 2"; address=${addresses[1]}; }
        XDG_DATA_HOME="$work/client-$client/data" XDG_CACHE_HOME="$work/client-$client/cache" \
            XDG_CONFIG_HOME="$work/client-$client/config" "$root/usr/bin/tessivar-client" \
            --address "$address:$port" --name "$name" >"$work/client-$client.out" 2>&1 &
        client_pids+=($!)
    done
    for client in a b; do
        log="$work/client-$client/data/Tessivar/tessivar-client/log"
        for _ in $(seq 1 300); do cat "$log"/*.txt 2>/dev/null | grep -q 'Display files received' && break; sleep 0.1; done
        cat "$log"/*.txt 2>/dev/null | grep -q 'Display files received' \
            || fail "client $client got no display files: $(tail -n 20 "$work/client-$client.out")"
    done
    steps+=(client_press client_dashboard client_remove)
else
    echo "SKIP: no loopback addresses of their own for the clients here"
fi

CLIENT_PIDS="${client_pids[*]}" SERVER_DATA="$data" /usr/bin/python3 "$work/drive.py" "$server" "$work" \
    "${steps[@]}" network_address names
failures=$((failures + $?))
if [ ${#client_pids[@]} -gt 0 ]; then
    kill -TERM "${client_pids[@]}" 2>/dev/null
    for pid in "${client_pids[@]}"; do wait "$pid" || fail "a client ended with status $?"; done
fi

# A second start hands over to the running program and ends at once.
second_status=0
timeout 30 "$root/usr/bin/tessivar" --minimized >"$work/second.out" 2>&1 || second_status=$?
if [ $second_status -eq 0 ] && kill -0 "$server" 2>/dev/null; then
    pass "a second start hands over to the running program and exits with status 0"
else
    fail "second start: status $second_status, first still running: $(kill -0 "$server" 2>/dev/null && echo yes || echo no)"
    cat "$work/second.out"
fi

kill -TERM "$server" 2>/dev/null
wait "$server" || fail "the server ended with status $?"
exit $failures
SESSION
chmod 755 "$work/session.sh"

# The tablet, on its host, once the server is up.
(
    for _ in $(seq 1 900); do [ -e "$work/server-ready" ] && break; sleep 0.1; done
    tablet=("${run[@]}" "$root/usr/bin/tessivar-device" --address "${TEST_INTERFACE_ADDRESS:-127.0.0.1}:$port"
        --name "Tablet B" --state "$work/peer-b.ini" --timeout 30)
    [ "$tablet_address" = 127.0.0.1 ] || tablet=(ip netns exec "$peer_namespace" "${tablet[@]}")
    env -i PATH=/usr/bin:/bin HOME="$home" XDG_CONFIG_HOME="$home/config" "${tablet[@]}" >"$work/peer-b.out" 2>&1
) &

status=0
"${run[@]}" env -i PATH=/usr/bin:/bin HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" \
    XDG_CACHE_HOME="$home/cache" XDG_RUNTIME_DIR="$work/runtime" TEST_INTERFACE_ADDRESS="${TEST_INTERFACE_ADDRESS:-}" CLIENT_ADDRESSES="$client_addresses" \
    bash -c 'mkdir -m 700 -p "$XDG_RUNTIME_DIR" && exec "$0" dbus-run-session -- "$@"' \
    "$work/under-xvfb.sh" "$work/session.sh" "$work" "$port" "$data" || status=$?
if [ $status -ne 0 ]; then
    echo "--- server log"; tail -n 60 "$data"/log/log_*_desktop.txt 2>/dev/null || true
    for peer in a b; do echo "--- device $peer"; tail -n 20 "$work/peer-$peer.out" 2>/dev/null || true; done
    echo "0 passed, 1 failed"
    exit 1
fi
echo "1 passed, 0 failed"
