# The Debian package: `cpack -G DEB` in the build folder (scripts/package.sh builds it in
# Release) makes korvel_VERSION_ARCH.deb of everything `cmake --install` puts in place. Its
# dependencies are read off the programs by dpkg-shlibdeps, so none is listed by hand.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "KORVEL developers")
set(CPACK_PACKAGE_CONTACT "KORVEL developers <korvel@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer for PLUVARIC optical disdrometer recordings")
# The long description under the summary; CPack indents its lines for the control file.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "KORVEL plays back the raw .ab recordings of the PLUVARIC, an optical
disdrometer that watches falling particles through two line-scan cameras:
scan lines decoded, shadowed runs joined into particles, camera-A particles
paired with camera-B particles. korvel-replay replays a recording without a
window (summaries, JSON Lines events, per-minute and per-pair CSV, pictures),
abgen writes synthetic recordings and mirvan shows scan lines as still pages.")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The programs look for the manual relative to themselves, so the package's prefix is the
# build's own.
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
