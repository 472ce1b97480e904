#!/usr/bin/env bash
# Installs what is missing, builds, and starts the server with the runnable tree as
# working directory. By default the server runs in a private loopback-only network
# (safe anywhere); pass --lan to serve the devices of the real local network.
# Arguments after the options go to the server (for example --minimized).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${TESSIVAR_BUILD_DIR:-$root/build}"
lan=0
if [ "${1:-}" = "--lan" ]; then lan=1; shift; fi

"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$build"

cd "$build/bin"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    export QT_QPA_PLATFORM=offscreen
fi
if [ $lan -eq 1 ]; then
    exec ./tessivar "$@"
fi
exec "$root/scripts/in-private-network.sh" ./tessivar "$@"
