#!/usr/bin/env bash
# Builds the Debian package korvel_VERSION_ARCH.deb in Release: every program, the manual, the
# man pages, the icons, the .desktop entry, the recording's file type and the AppStream
# metadata, installed under /usr. No tests and no benchmarks are built. Extra arguments go to
# cmake (a compiler launcher, for instance). The build folder is KORVEL_PACKAGE_BUILD_DIR
# (default build-package); the package's path is the last line printed.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
build=${KORVEL_PACKAGE_BUILD_DIR:-build-package}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DKORVEL_BUILD_TESTS=OFF -DKORVEL_BUILD_BENCH=OFF -DKORVEL_BUILD_GUI=ON "$@"
cmake --build "$build"
if [ ! -x "$build/src/shell/korvel" ]; then
    echo "package: the viewer was not built (is Qt 6 installed?); no package without it" >&2
    exit 1
fi
rm -f "$build"/korvel_*.deb
if ! (cd "$build" && cpack -G DEB > cpack.log 2>&1); then
    cat "$build/cpack.log" >&2
    exit 1
fi
ls "$build"/korvel_*.deb
