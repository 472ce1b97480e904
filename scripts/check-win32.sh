#!/usr/bin/env bash
# Compiles the Qt-free Windows sources of the platform layer with mingw-w64.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
status=0
for source in "$root"/platform/win/*.cpp; do
    [ -e "$source" ] || continue
    if ! x86_64-w64-mingw32-g++ -std=c++17 -Wall -Wextra -Werror -DUNICODE -D_UNICODE -I"$root" \
            -c "$source" -o "$out/$(basename "$source").o"; then
        status=1
    fi
done
[ $status -eq 0 ] && echo "Win32 platform sources compile with mingw-w64"
exit $status
