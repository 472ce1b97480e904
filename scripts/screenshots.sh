#!/usr/bin/env bash
# Renders each page and popup of the window, light and dark, in a real X window under
# Xvfb, into <build>/screenshots/*.png. Runs in a private network namespace like every
# process that opens the server's sockets.
#
#   scripts/screenshots.sh [build folder] [plugin library]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
plugin=${2:-}
output="$build/screenshots"

cmake --build "$build" -j2 --target tessivar_screenshots
mkdir -p "$output"
"$root/scripts/in-private-network.sh" \
    "$root/scripts/under-xvfb.sh" \
    env QT_QPA_PLATFORM=xcb QT_QUICK_BACKEND=software \
    "$build/tests/tessivar_screenshots" "$output" ${plugin:+"$plugin"}
echo "Screenshots in $output"
