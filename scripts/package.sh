#!/usr/bin/env bash
# Builds the Debian package korvel_VERSION-REVISION_ARCH.deb in Release: every program, the
# manual, the man pages, the icons, the .desktop entry, the recording's file type, the
# AppStream metadata, the copyright file and the Debian changelog, installed under /usr. No
# tests and no benchmarks are built. Extra arguments go to cmake (a compiler launcher, for
# instance). The build folder is KORVEL_PACKAGE_BUILD_DIR (default build-package); the
# package's path is the last line printed.
#
# The package is meant to pass lintian with neither an error nor a warning (.ci/run checks).
# The overrides it carries (resources/debian/lintian-overrides), each with its reason:
#   initial-upload-closes-no-bugs  the package is built and published by the project, not
#                                  uploaded to Debian, so its first changelog entry has no
#                                  ITP bug to close.
#   package-contains-documentation-outside-usr-share-doc (information only)
#                                  /usr/share/korvel/html_doc is the viewer's own manual,
#                                  opened by ? > Manual from beside the program: part of the
#                                  program, not documentation about the package.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
build=${KORVEL_PACKAGE_BUILD_DIR:-build-package}

# The flags dpkg-buildpackage would build with, hardening included: _FORTIFY_SOURCE (checked
# string and memory calls), the strong stack protector, read-only relocations and bind-now
# (every symbol resolved at start, so the relocations can be made read-only as a whole).
# The build type's own flags (-O3 -DNDEBUG) come after them. -ffile-prefix-map takes the
# current directory, the source tree, out of the debug paths, as Debian's reproducible
# builds expect.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cppflags=$(dpkg-buildflags --get CPPFLAGS)
cflags=$(dpkg-buildflags --get CFLAGS)
cxxflags=$(dpkg-buildflags --get CXXFLAGS)
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DKORVEL_BUILD_TESTS=OFF -DKORVEL_BUILD_BENCH=OFF -DKORVEL_BUILD_GUI=ON \
    "-DCMAKE_C_FLAGS=$cppflags $cflags" "-DCMAKE_CXX_FLAGS=$cppflags $cxxflags" \
    "-DCMAKE_EXE_LINKER_FLAGS=$ldflags" "-DCMAKE_SHARED_LINKER_FLAGS=$ldflags" \
    "-DCMAKE_MODULE_LINKER_FLAGS=$ldflags" "$@"
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
