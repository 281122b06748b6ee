# Debian package of the program: `cpack -G DEB` in a build tree configured with this file.
# Included from the top-level CMakeLists.txt, so PROJECT_* and the install rules are all known.

# The maintainer shown by apt is whoever builds the package and answers for it. Debian's own
# tools (dch, debuild) take that person from DEBFULLNAME and DEBEMAIL; where those are not set,
# it is the builder's account on the build machine, an address that is real on that machine.
# A release build may set ZUMORA_DEB_MAINTAINER itself.
set(_local_maintainer OFF)
if(DEFINED ENV{DEBEMAIL} AND "$ENV{DEBEMAIL}" MATCHES "<")
    set(_maintainer "$ENV{DEBEMAIL}")
else()
    execute_process(COMMAND id -un OUTPUT_VARIABLE _user OUTPUT_STRIP_TRAILING_WHITESPACE)
    cmake_host_system_information(RESULT _host QUERY FQDN)
    set(_name "${_user}")
    if(DEFINED ENV{DEBFULLNAME})
        set(_name "$ENV{DEBFULLNAME}")
    endif()
    set(_address "${_user}@${_host}")
    if(DEFINED ENV{DEBEMAIL})
        set(_address "$ENV{DEBEMAIL}")
    else()
        set(_local_maintainer ON)
    endif()
    set(_maintainer "${_name} <${_address}>")
endif()
# Build trees configured before kept a placeholder address in their cache.
if(ZUMORA_DEB_MAINTAINER MATCHES "example\\.invalid")
    unset(ZUMORA_DEB_MAINTAINER CACHE)
endif()
set(ZUMORA_DEB_MAINTAINER "${_maintainer}" CACHE STRING "Maintainer field of the Debian package")
set(ZUMORA_DEB_LOCAL_MAINTAINER ${_local_maintainer} CACHE BOOL
    "The Maintainer field is the builder's local account, not a public address")

# Debian wants the licence and the changelog of every package under /usr/share/doc/<package>,
# the changelog compressed without a timestamp so that rebuilding gives the same bytes.
find_program(ZUMORA_GZIP gzip REQUIRED)
# The release entry is signed by the package's maintainer.
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog
    @ONLY)
add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz
    COMMAND ${ZUMORA_GZIP} -9n -c ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog
        > ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz
    DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog
    VERBATIM)
add_custom_target(zumora_changelog ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz)
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/packaging)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zumora)
set(CPACK_PACKAGE_VENDOR "The Zumora developers")
set(CPACK_PACKAGE_CONTACT "${ZUMORA_DEB_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "pipe and tank sizing calculator in Japanese")
set(CPACK_PACKAGE_DESCRIPTION [=[
Zumora (ズモラ) is a small Japanese-language desktop calculator for water and
process engineering. It computes the flow velocity in a pipe, the inner
diameter a pipe needs for a chosen velocity, the liquid height in a
cylindrical or square vessel, and the volume such a vessel holds up to a
given height.

Entries may be typed with the full-width digits of a Japanese input method;
results are rounded to at most two decimals.]=])

# Install under /usr whatever prefix the build tree was configured with, as a distribution would.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# Debian ships stripped programs (debug symbols go to separate -dbgsym packages).
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries come from dpkg-shlibdeps. The font is loaded at run time by name, which no tool can
# see, and without it the windows fall back to a font they were not laid out for.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-ipafont-gothic)

set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/\\\\.cache/" "/build[^/]*/" "\\\\.deb$")

include(CPack)

if(BUILD_TESTING OR ZUMORA_BUILD_TESTS)
    # Builds the package from this tree and checks its contents and dependencies; skipped
    # (exit 77) where the Debian packaging tools are missing.
    add_test(NAME packaging_deb
        COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/check_deb.sh
            ${CMAKE_CPACK_COMMAND} ${CMAKE_BINARY_DIR} ${ZUMORA_APP_ID} ${CMAKE_SOURCE_DIR}/data/zumora.png)
    set_tests_properties(packaging_deb PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 600
        ENVIRONMENT "ZUMORA_DEB_LOCAL_MAINTAINER=${ZUMORA_DEB_LOCAL_MAINTAINER}")
endif()
