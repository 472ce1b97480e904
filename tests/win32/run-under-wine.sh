#!/usr/bin/env bash
# Runs the Windows layer test under Wine in a throwaway prefix of its own.
# Usage: run-under-wine.sh <folder with tst_win32layer.exe and its two child programs>
# Exit 77 (reported as skipped) when Wine cannot run it here, with the reason.
set -uo pipefail
programs="$1"
skip() { echo "SKIPPED: $*"; exit 77; }

wine=""
for candidate in "${WINE64:-}" "$(command -v wine64 || true)" /usr/lib/wine/wine64 "$(command -v wine || true)"; do
    if [ -n "$candidate" ] && [ -x "$candidate" ]; then wine="$candidate"; break; fi
done
[ -n "$wine" ] || skip "wine64 is not installed (scripts/install-deps.sh installs it)"
for program in tst_win32layer.exe tst_win32child.exe tst_win32guichild.exe; do
    [ -f "$programs/$program" ] || skip "$program was not built (x86_64-w64-mingw32-g++ missing?)"
done
wineserver="$(dirname "$wine")/wineserver"
[ -x "$wineserver" ] || wineserver="$(command -v wineserver || true)"

work="$(mktemp -d)"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=""
cleanup() {
    [ -n "$wineserver" ] && "$wineserver" -k >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT

started=$(date +%s%N)
if ! "$wine" wineboot -i >"$work/boot.log" 2>&1; then
    cat "$work/boot.log"
    skip "Wine could not create its prefix"
fi
echo "Wine's first start (wineboot -i) took $(( ($(date +%s%N) - started) / 1000000 )) ms"

# Beside each other in a folder whose name is not ASCII, as under C:\Users\José.
folder="$WINEPREFIX/drive_c/Tessivar José"
mkdir -p "$folder"
cp "$programs/tst_win32layer.exe" "$programs/tst_win32child.exe" "$programs/tst_win32guichild.exe" "$folder/"
"$wine" "C:\\Tessivar José\\tst_win32layer.exe" >"$work/out.log" 2>&1
status=$?
cat "$work/out.log"
grep -q "win32 layer test started" "$work/out.log" || skip "Wine did not start the test program (status $status)"
exit $status
