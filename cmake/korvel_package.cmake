# The Debian package: `cpack -G DEB` in the build folder (scripts/package.sh builds it in
# Release, with Debian's hardening flags) makes korvel_VERSION-REVISION_ARCH.deb of everything
# `cmake --install` puts in place, the copyright file and the Debian changelog included. Its
# dependencies on libraries are read off the programs by dpkg-shlibdeps, so none is listed by
# hand; cmake/korvel_package_staging.cmake strips the programs and adds what dpkg-shlibdeps
# cannot see (python3 for Python modules, and their byte-compilation at installation).
set(KORVEL_DEBIAN_DIR ${CMAKE_SOURCE_DIR}/resources/debian)

# The package's version is the top entry of the Debian changelog, as dpkg-buildpackage takes
# it: the upstream part must be the project's version, so that a release without its
# changelog entry stops here instead of shipping a changelog that names another version.
file(STRINGS ${KORVEL_DEBIAN_DIR}/changelog KORVEL_CHANGELOG_TOP LIMIT_COUNT 1)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${KORVEL_DEBIAN_DIR}/changelog)
if(NOT KORVEL_CHANGELOG_TOP MATCHES "^korvel \\(([^()]+)-([^-()]+)\\) ")
    message(FATAL_ERROR "resources/debian/changelog: the first line is not "
                        "'korvel (VERSION-REVISION) ...': ${KORVEL_CHANGELOG_TOP}")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "resources/debian/changelog: its top entry is for version "
                        "${CMAKE_MATCH_1}, the project is ${PROJECT_VERSION}: add an entry")
endif()
set(CPACK_DEBIAN_PACKAGE_RELEASE ${CMAKE_MATCH_2})

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
if(DEFINED KORVEL_HOMEPAGE)
    set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${KORVEL_HOMEPAGE})
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the installed files need that no program links against (python3-numpy for a Python
# module, say): any folder adds it with
#     set_property(GLOBAL APPEND PROPERTY KORVEL_PACKAGE_DEPENDS "python3-numpy")
get_property(KORVEL_PACKAGE_DEPENDS GLOBAL PROPERTY KORVEL_PACKAGE_DEPENDS)
if(KORVEL_PACKAGE_DEPENDS)
    list(REMOVE_DUPLICATES KORVEL_PACKAGE_DEPENDS)
    list(JOIN KORVEL_PACKAGE_DEPENDS ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
endif()
# What only some uses of the installed files need, the same way with KORVEL_PACKAGE_RECOMMENDS.
get_property(KORVEL_PACKAGE_RECOMMENDS GLOBAL PROPERTY KORVEL_PACKAGE_RECOMMENDS)
if(KORVEL_PACKAGE_RECOMMENDS)
    list(REMOVE_DUPLICATES KORVEL_PACKAGE_RECOMMENDS)
    list(JOIN KORVEL_PACKAGE_RECOMMENDS ", " CPACK_DEBIAN_PACKAGE_RECOMMENDS)
endif()
# The programs look for the manual relative to themselves, so the package's prefix is the
# build's own.
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
# CPack's own stripping keeps the .comment section (the compiler's version string), which
# Debian strips; the staging script strips as dh_strip does instead.
set(CPACK_STRIP_FILES OFF)
set(CPACK_KORVEL_STRIP ${CMAKE_STRIP})
set(CPACK_KORVEL_DEBIAN_DIR ${KORVEL_DEBIAN_DIR})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/korvel_package_staging.cmake)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# /usr/share/doc/korvel: the machine-readable copyright file, with the licence's text taken
# from LICENSE (its lines indented by one space, blank lines written as " ." as the format
# wants), and the Debian changelog, compressed without a name or a time stamp so that two
# builds give the same bytes.
file(READ ${CMAKE_SOURCE_DIR}/LICENSE KORVEL_LICENSE_TEXT)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/LICENSE)
string(FIND "${KORVEL_LICENSE_TEXT}" "Permission is hereby granted" KORVEL_LICENSE_START)
if(KORVEL_LICENSE_START LESS 0)
    message(FATAL_ERROR "LICENSE does not hold the MIT licence's grant")
endif()
string(SUBSTRING "${KORVEL_LICENSE_TEXT}" ${KORVEL_LICENSE_START} -1 KORVEL_LICENSE_TEXT)
string(STRIP "${KORVEL_LICENSE_TEXT}" KORVEL_LICENSE_TEXT)
string(REGEX REPLACE "\n[ \t]*\n" "\n.\n" KORVEL_LICENSE_TEXT "${KORVEL_LICENSE_TEXT}")
string(REPLACE "\n" "\n " KORVEL_LICENSE_TEXT " ${KORVEL_LICENSE_TEXT}")
set(KORVEL_PACKAGE_DOC ${CMAKE_BINARY_DIR}/package-doc)
find_program(GZIP_PROGRAM gzip REQUIRED)
configure_file(${KORVEL_DEBIAN_DIR}/copyright.in ${KORVEL_PACKAGE_DOC}/copyright @ONLY)
add_custom_command(OUTPUT ${KORVEL_PACKAGE_DOC}/changelog.Debian.gz
    COMMAND ${GZIP_PROGRAM} -9 -n -c ${KORVEL_DEBIAN_DIR}/changelog
            > ${KORVEL_PACKAGE_DOC}/changelog.Debian.gz
    DEPENDS ${KORVEL_DEBIAN_DIR}/changelog
    COMMENT "Compressing the Debian changelog")
add_custom_target(korvel_package_doc ALL DEPENDS ${KORVEL_PACKAGE_DOC}/changelog.Debian.gz)
install(FILES ${KORVEL_PACKAGE_DOC}/copyright ${KORVEL_PACKAGE_DOC}/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/korvel)
# The lintian tags the package is known to raise and why (scripts/package.sh lists them).
install(FILES ${KORVEL_DEBIAN_DIR}/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME korvel)
include(CPack)
