#!/usr/bin/env bash
# The installed program: installs the build (or unpacks its Debian package when one was
# made from it) into a temporary root, checks the installed files, then starts the
# installed server from another working folder as a user who cannot write the program's
# folder, and finds its settings, logs and plugins where an installed program keeps them.
# Runs inside the test network namespace (CTest).
# Usage: install-test.sh <build-dir> [with-misc|without-misc]
set -euo pipefail

build="$(cd "${1:?usage: $0 <build-dir>}" && pwd)"
port=21301
work="$(mktemp -d)"
server_pid=""
cleanup() {
    if [ -n "$server_pid" ] && kill -0 "$server_pid" 2>/dev/null; then
        kill -KILL "$server_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
chmod 755 "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "PASS: $*"; }

# --- Install -------------------------------------------------------------------------
root="$work/root"
package="$(ls -t "$build"/package/tessivar_*.deb 2>/dev/null | head -n 1 || true)"
if [ -n "$package" ] && [ "$package" -nt "$build/bin/tessivar" ]; then
    dpkg-deb -x "$package" "$root"
    pass "unpacked $(basename "$package")"
    depends="$(dpkg-deb -f "$package" Depends)"
    # The QML modules the window, its popups, the plugin's editors and Qt's own dialogs
    # load at run time (the dialogs' file list needs Qt.labs.folderlistmodel).
    for dependency in libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6websockets6 libqt6qml6 \
        libqt6quick6 qml6-module-qtquick qml6-module-qtquick-window qml6-module-qtquick-controls \
        qml6-module-qtquick-layouts qml6-module-qtquick-templates qml6-module-qtqml-workerscript \
        qml6-module-qtquick-dialogs qml6-module-qt-labs-folderlistmodel qml6-module-qt5compat-graphicaleffects \
        qt6-qpa-plugins; do
        case "$depends" in
        *"$dependency"*) ;;
        *) fail "package does not depend on $dependency" ;;
        esac
    done
else
    DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
    pass "installed with cmake --install"
fi

expected=(usr/bin/tessivar usr/bin/tessivar-helper usr/bin/tessivar-device usr/bin/tessivar-client
    usr/lib/tessivar/libtessivarPlugin.so usr/share/applications/tessivar.desktop usr/share/applications/tessivar-client.desktop usr/lib/udev/rules.d/70-tessivar-uinput.rules usr/lib/modules-load.d/tessivar-uinput.conf usr/share/doc/tessivar/copyright usr/share/doc/tessivar/LICENSE.LGPL-3.txt)
for size in 16 22 24 32 48 64 128 256; do
    expected+=("usr/share/icons/hicolor/${size}x${size}/apps/tessivar.png"
        "usr/share/icons/hicolor/${size}x${size}/apps/tessivar-client.png")
done
misc=0
if [ "${2:-without-misc}" = with-misc ]; then
    misc=1
    expected+=(usr/lib/tessivar/plugins/misc/plugin.so)
fi
for file in "${expected[@]}"; do
    [ -f "$root/$file" ] || fail "missing $file"
done
grep -q '^Exec=tessivar$' "$root/usr/share/applications/tessivar.desktop" || fail "desktop entry does not start tessivar"
grep -q '^Icon=tessivar$' "$root/usr/share/applications/tessivar.desktop" || fail "desktop entry names no icon"
grep -q '^Exec=tessivar-client$' "$root/usr/share/applications/tessivar-client.desktop" \
    || fail "client's desktop entry does not start tessivar-client"
grep -q '^Icon=tessivar-client$' "$root/usr/share/applications/tessivar-client.desktop" \
    || fail "client's desktop entry names no icon"
for size in 16 256; do
    file "$root/usr/share/icons/hicolor/${size}x${size}/apps/tessivar.png" | grep -q "PNG image data, $size x $size" \
        || fail "icon ${size}x${size} is not a ${size} pixel PNG"
done
for program in tessivar tessivar-helper tessivar-device tessivar-client; do
    runpath="$(readelf -d "$root/usr/bin/$program" | grep -E 'RPATH|RUNPATH' || true)"
    case "$runpath" in
    *"$build"*) fail "$program still looks into the build tree: $runpath" ;;
    esac
done
[ $failures -eq 0 ] && pass "installed files"

# --- Run as an installed program -----------------------------------------------------
home="$work/home"
elsewhere="$work/elsewhere"
data="$home/data/Tessivar/Tessivar Remote Dashboard"
mkdir -p "$home" "$elsewhere" "$data"
printf '[common]\nPort=%s\nLogDebug=true\n' "$port" >"$data/config"
run=()
if [ "$(id -u)" -eq 0 ]; then
    # root writes everywhere: the server runs as an ordinary user, as a package's user would.
    chown -R 65534:65534 "$home" "$elsewhere"
    run=(setpriv --reuid=65534 --regid=65534 --clear-groups)
else
    chmod -R a-w "$root/usr/bin"
fi
environment=(env HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config"
    XDG_CACHE_HOME="$home/cache" XDG_RUNTIME_DIR= QT_QPA_PLATFORM=offscreen)

cd "$elsewhere"
"${run[@]}" "${environment[@]}" "$root/usr/bin/tessivar" --minimized >"$work/server.out" 2>&1 &
server_pid=$!
ready=0
for _ in $(seq 1 600); do
    if grep -qs -- "---- Application ready ----" "$data"/log/log_*_desktop.txt; then
        ready=1
        break
    fi
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.1
done
if [ $ready -eq 1 ]; then
    pass "installed server ready, log in the data folder"
else
    fail "installed server not ready; its output:"
    cat "$work/server.out"
fi

if [ $ready -eq 1 ]; then
    if [ $misc -eq 1 ]; then
        grep -qs "PluginLoaded" "$data"/log/log_*_desktop.txt && pass "misc plugin loaded from the package's plugin folder" \
            || fail "misc plugin not loaded"
    fi
    if "${run[@]}" "${environment[@]}" "$root/usr/bin/tessivar-device" --address "127.0.0.1:$port" --list \
        --name Installed --timeout 15 >"$work/device.out" 2>&1 && grep -q '^Registered with' "$work/device.out"; then
        pass "installed tessivar-device registers with the installed server"
    else
        fail "installed tessivar-device did not register:"
        cat "$work/device.out"
    fi
fi

if [ -n "$server_pid" ]; then
    kill -TERM "$server_pid" 2>/dev/null || true
    status=0
    wait "$server_pid" || status=$?
    server_pid=""
    if [ $status -ne 0 ]; then
        fail "server ended with status $status; its output:"
        tail -n 40 "$work/server.out"
    fi
fi

grep -q '^DeviceId=' "$data/config" && grep -q '^FirstLaunch=false' "$data/config" \
    && pass "settings written in the data folder" || fail "settings not written in the data folder"
# The helper, also in a folder it cannot write, logs beside the server in the data folder.
# An unknown command is refused (status 1) and logged without touching anything else.
"${run[@]}" "${environment[@]}" "$root/usr/bin/tessivar-helper" run nothing >"$work/helper.out" 2>&1 || true
if grep -qs "Unknown command" "$data"/log/log_*_helper.txt; then
    pass "installed helper logs in the data folder"
else
    fail "installed helper log not in the data folder; its output:"
    cat "$work/helper.out"
fi
[ ! -e "$root/usr/bin/log" ] || fail "installed helper wrote a log folder beside itself"
leftovers="$(ls -A "$elsewhere")"
[ -z "$leftovers" ] && pass "nothing written in the working folder" || fail "written in the working folder: $leftovers"
device_state="$home/config/Tessivar/tessivar-device.ini"
[ $ready -eq 0 ] || [ -f "$device_state" ] || fail "tessivar-device kept no identity in the user's configuration folder"

if [ $failures -eq 0 ]; then
    echo "1 passed, 0 failed"
    exit 0
fi
echo "0 passed, 1 failed"
exit 1
