# Checks that the desktop entry and metainfo agree with each other and with the build: the
# validators look at one file at a time and cannot see a stale release list or a renamed
# executable. Run with cmake -P; see tests.cmake for the variables.

file(READ ${DESKTOP} desktop)
file(READ ${METAINFO} metainfo)
set(faults "")

function(expect text what description)
    string(FIND "${text}" "${what}" at)
    if(at EQUAL -1)
        set(faults "${faults}\n  ${description}: '${what}' not found" PARENT_SCOPE)
    endif()
endfunction()

expect("${desktop}" "\nExec=${EXECUTABLE}\n" "desktop entry does not start the installed program")
expect("${desktop}" "\nIcon=${APP_ID}\n" "desktop entry icon is not the installed icon")
expect("${metainfo}" "<id>${APP_ID}</id>" "metainfo id differs from the application id")
expect("${metainfo}" "<launchable type=\"desktop-id\">${APP_ID}.desktop</launchable>"
    "metainfo launchable is not the installed desktop entry")
expect("${metainfo}" "<binary>${EXECUTABLE}</binary>" "metainfo names another program")
# Releases are listed newest first, and software centres show the first as the installed version.
string(REGEX MATCH "<release version=\"([^\"]*)\"" newest "${metainfo}")
if(NOT CMAKE_MATCH_1 STREQUAL VERSION)
    set(faults "${faults}\n  newest metainfo release is '${CMAKE_MATCH_1}', the build is ${VERSION}")
endif()
# The program has no home page of its own; a software centre must not link to a made-up one.
string(FIND "${metainfo}" "<url type=\"homepage\">" homepage)
if(NOT homepage EQUAL -1)
    set(faults "${faults}\n  metainfo names a home page the program does not have")
endif()

if(faults)
    message(FATAL_ERROR "Desktop entry and metainfo disagree with the build:${faults}")
endif()
message(STATUS "Desktop entry and metainfo agree with ${APP_ID} ${VERSION}")
