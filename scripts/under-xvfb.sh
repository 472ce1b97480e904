#!/bin/bash
# Runs a command under an Xvfb of its own: 1600x1000, 24 bits.
# The server picks a free display itself (-displayfd), so that tests started side by
# side never land on one another's display, as xvfb-run -a can when two look for a
# free number at the same moment.
set -euo pipefail

[ $# -gt 0 ] || { echo "usage: $0 command [arguments]" >&2; exit 2; }
command -v Xvfb >/dev/null || { echo "Xvfb is not installed (package xvfb)" >&2; exit 2; }

work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
server=$!
cleanup() {
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT

# The display number arrives once the server accepts connections.
for _ in $(seq 1 300); do
    [ -s "$work/display" ] && break
    kill -0 "$server" 2>/dev/null || { echo "Xvfb did not start:" >&2; cat "$work/xvfb.log" >&2; exit 1; }
    sleep 0.05
done
[ -s "$work/display" ] || { echo "Xvfb did not report a display within 15 s" >&2; exit 1; }

status=0
DISPLAY=":$(head -n 1 "$work/display")" "$@" || status=$?
exit $status
