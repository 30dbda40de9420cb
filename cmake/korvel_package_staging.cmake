# Run by cpack once it has installed the package's files into its staging folder and before
# it packs them (CPACK_PRE_BUILD_SCRIPTS), with the package's settings in scope.
#
# Strips every ELF file as dh_strip does: the symbols and the debug information, and the
# .comment section, which only names the compiler. A shared object (a Python extension
# among them) keeps the symbols its relocations need (--strip-unneeded).
#
# Python finds no help in dpkg-shlibdeps: an extension module is not linked against
# libpython, the interpreter that loads it provides its symbols. So a package that carries
# Python files depends on python3 here, as dh_python3 would make it: an extension built for
# CPython 3.N (its file name says cpython-3N) needs exactly that minor version.
# Byte-compiled files are dropped: as Debian's Python packages do, postinst compiles the
# modules on the machine that runs them and prerm removes what was compiled
# (resources/debian/python).
set(stage ${CPACK_TEMPORARY_INSTALL_DIRECTORY})
if(NOT IS_DIRECTORY "${stage}")
    message(FATAL_ERROR "korvel package: no staging folder at '${stage}'")
endif()

file(GLOB_RECURSE files LIST_DIRECTORIES false "${stage}/*")
foreach(file IN LISTS files)
    if(IS_SYMLINK "${file}")
        continue()
    endif()
    file(READ "${file}" magic LIMIT 4 HEX)
    if(NOT magic STREQUAL "7f454c46")
        continue()
    endif()
    set(options --remove-section=.comment --remove-section=.note)
    get_filename_component(name "${file}" NAME)
    if(name MATCHES "\\.so(\\.[0-9]+)*$")
        list(APPEND options --strip-unneeded)
    endif()
    execute_process(COMMAND "${CPACK_KORVEL_STRIP}" ${options} "${file}"
                    RESULT_VARIABLE status ERROR_VARIABLE error)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "korvel package: strip ${file} failed: ${error}")
    endif()
endforeach()

# Python's own folder for packaged modules, whatever the prefix: /usr/lib/python3/dist-packages.
set(python_dir_pattern "/lib/python3/dist-packages/")
file(GLOB_RECURSE python_paths LIST_DIRECTORIES true "${stage}/*")
list(FILTER python_paths INCLUDE REGEX "${python_dir_pattern}")
if(python_paths)
    set(bytecode ${python_paths})
    list(FILTER bytecode INCLUDE REGEX "(/__pycache__|\\.py[co])$")
    foreach(path IN LISTS bytecode)
        if(EXISTS "${path}")
            file(REMOVE_RECURSE "${path}")
        endif()
    endforeach()

    set(python_depends)
    file(GLOB_RECURSE modules LIST_DIRECTORIES false "${stage}/*")
    list(FILTER modules INCLUDE REGEX "${python_dir_pattern}")
    foreach(module IN LISTS modules)
        if(module MATCHES "\\.cpython-3([0-9]+)[^/]*\\.so$")
            math(EXPR next "${CMAKE_MATCH_1} + 1")
            list(APPEND python_depends
                 "python3 (>= 3.${CMAKE_MATCH_1}~)" "python3 (<< 3.${next})")
        endif()
    endforeach()
    if(NOT python_depends AND modules)
        # Python source alone, or an extension whose name carries no version: any python3.
        list(APPEND python_depends python3)
    endif()
    list(REMOVE_DUPLICATES python_depends)
    if(CPACK_DEBIAN_PACKAGE_DEPENDS)
        list(PREPEND python_depends "${CPACK_DEBIAN_PACKAGE_DEPENDS}")
    endif()
    list(JOIN python_depends ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
    list(APPEND CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
         "${CPACK_KORVEL_DEBIAN_DIR}/python/postinst" "${CPACK_KORVEL_DEBIAN_DIR}/python/prerm")
    message(STATUS "korvel package: Depends (besides the libraries): ${CPACK_DEBIAN_PACKAGE_DEPENDS}")
endif()
