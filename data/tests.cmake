# Checks of the desktop entry and metainfo sources. The validators are those that distributions
# and software centres run; where one is missing the check is reported as skipped, not passed.

set(_desktop ${CMAKE_CURRENT_SOURCE_DIR}/${ZUMORA_APP_ID}.desktop)
set(_metainfo ${CMAKE_CURRENT_SOURCE_DIR}/${ZUMORA_APP_ID}.metainfo.xml)

# zumora_add_validator_test(<name> <program> <debian-package> <args...>)
function(zumora_add_validator_test name program package)
    string(MAKE_C_IDENTIFIER "ZUMORA_${program}" var)
    find_program(${var} ${program})
    if(${var})
        add_test(NAME ${name} COMMAND ${${var}} ${ARGN})
    else()
        add_test(NAME ${name} COMMAND ${CMAKE_COMMAND} -E echo
            "${program} is not installed (Debian package ${package}): check skipped")
        set_tests_properties(${name} PROPERTIES SKIP_REGULAR_EXPRESSION "check skipped")
    endif()
endfunction()

# desktop-file-validate exits 0 on warnings and hints; the entry is meant to be free of them too.
zumora_add_validator_test(data_desktop_entry_valid desktop-file-validate desktop-file-utils
    ${_desktop})
set_tests_properties(data_desktop_entry_valid PROPERTIES
    FAIL_REGULAR_EXPRESSION ": (error|warning|hint): ")

# --strict fails on infos as well as warnings; pedantic notes (the capitals of the id) may stay.
zumora_add_validator_test(data_metainfo_valid appstreamcli appstream
    validate --no-net --strict --explain ${_metainfo})

add_test(NAME data_metadata_consistent
    COMMAND ${CMAKE_COMMAND}
        -DAPP_ID=${ZUMORA_APP_ID}
        -DDESKTOP=${_desktop}
        -DMETAINFO=${_metainfo}
        -DVERSION=${PROJECT_VERSION}
        -DEXECUTABLE=$<TARGET_FILE_NAME:zumora>
        -P ${CMAKE_CURRENT_SOURCE_DIR}/check_metadata.cmake)
