#!/usr/bin/env bash
# Installs what is missing, builds the programs without tests and benchmarks, and makes
# the Debian package. Usage: scripts/package.sh [build-dir]   (default: build-package)
# Install it with:  sudo apt install ./build-package/package/tessivar_<version>_<arch>.deb
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-package}"

"$root/scripts/install-deps.sh"
options=(-DTESSIVAR_BUILD_TESTS=OFF -DTESSIVAR_BUILD_BENCH=OFF)
command -v ccache >/dev/null && options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
"$root/scripts/build.sh" "$build" "${options[@]}"
(cd "$build" && cpack -G DEB)
package="$(ls -t "$build"/package/tessivar_*.deb | head -n 1)"
echo
echo "Package: $package"
echo "Install it with:  sudo apt install $package"
