# Debian package of the program: `cpack -G DEB` in a build tree configured with this file.
# Included from the top-level CMakeLists.txt, so PROJECT_* and the install rules are all known.

# The maintainer shown by apt and written into the package; a release build may set its own.
set(ZUMORA_DEB_MAINTAINER "The Zumora developers <zumora@example.invalid>"
    CACHE STRING "Maintainer field of the Debian package")

# Debian wants the licence and the changelog of every package under /usr/share/doc/<package>,
# the changelog compressed without a timestamp so that rebuilding gives the same bytes.
find_program(ZUMORA_GZIP gzip REQUIRED)
add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz
    COMMAND ${ZUMORA_GZIP} -9n -c ${CMAKE_CURRENT_LIST_DIR}/changelog
        > ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/changelog
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
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${PROJECT_HOMEPAGE_URL}")
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
    set_tests_properties(packaging_deb PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 600)
endif()
