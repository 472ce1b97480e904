#!/usr/bin/env bash
# Renders the client's window (server list, dashboard light and dark, edit mode) in a
# real X window under Xvfb into <build>/screenshots/client-*.png, in a private network.
#
#   scripts/client-screenshots.sh [build folder]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
output="$build/screenshots"

cmake --build "$build" -j2 --target tessivar_client_screenshots
mkdir -p "$output"
"$root/scripts/in-private-network.sh" \
    "$root/scripts/under-xvfb.sh" \
    env QT_QPA_PLATFORM=xcb QT_QUICK_BACKEND=software \
    "$build/tests/tessivar_client_screenshots" "$output"
echo "Screenshots in $output"
