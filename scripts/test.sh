#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, and runs every test
# through CTest inside a private loopback-only network namespace.
# Extra arguments go to ctest (for example: -L device).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${TESSIVAR_BUILD_DIR:-$root/build}"

"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$build" -DTESSIVAR_WERROR=ON ${TESSIVAR_CMAKE_OPTIONS:-}
"$root/scripts/check-win32.sh"
# The Debian package, which the install test unpacks and runs.
(cd "$build" && cpack -G DEB >/dev/null)
"$root/scripts/in-private-network.sh" \
    ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 300 "$@"
