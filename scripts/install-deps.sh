#!/usr/bin/env bash
# Installs, with apt, whatever of the build and test dependencies is missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-declarative-dev qt6-declarative-dev-tools qt6-websockets-dev qt6-5compat-dev
    qt6-l10n-tools qml6-module-qtquick qml6-module-qtquick-window qml6-module-qtquick-controls
    qml6-module-qtquick-layouts qml6-module-qtquick-templates qml6-module-qtqml-workerscript
    qml6-module-qt5compat-graphicaleffects qml6-module-qtquick-dialogs libqt6svg6 qml6-module-qt-labs-folderlistmodel libgl-dev libx11-dev libxtst-dev xvfb xdotool
    iproute2 util-linux g++-mingw-w64-x86-64 wine64 xauth
    dpkg-dev file
    python3-pyatspi at-spi2-core dbus
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
