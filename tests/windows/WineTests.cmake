# The tests of the Windows build run under Wine, in a prefix of their own in the build folder
# (wine-prefix/), booted once per run by the fixture wine_prefix and stopped after the last test.
# Each test executable is one CTest test: a Wine start costs a fraction of a second, a start per
# case would cost minutes. The prefix maps its own COM ports (COM7 to COM9) onto links in
# wine-ports/, where the tests' virtual drives publish themselves; no test opens any other port.

# Debian has no GoogleTest built for mingw, but libgtest-dev ships its source.
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

find_program(KELVANE_WINE NAMES wine64 wine PATHS /usr/lib/wine REQUIRED)
find_program(KELVANE_WINESERVER NAMES wineserver PATHS /usr/lib/wine REQUIRED)
set(KELVANE_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
set(KELVANE_WINE_PORTS ${CMAKE_BINARY_DIR}/wine-ports)
# The programs with windows find Qt's DLLs and the mingw runtime's where they are on this machine
# (the download carries its own copies beside the program).
set(KELVANE_WINE_PATH "")
if(KELVANE_GUI)
    foreach(folder ${KELVANE_QT_PREFIX}/bin ${KELVANE_MINGW_RUNTIME})
        string(REPLACE "/" "\\" folder "Z:${folder}")
        string(APPEND KELVANE_WINE_PATH "${folder};")
    endforeach()
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine_run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
        WORLD_EXECUTE)
# CTest starts every test executable through it.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)

# A Linux build of the tools: its virtual drive for the tests that talk to a drive through a COM
# port, its kelvane-batch for what the Windows one must match.
set(KELVANE_LINUX_BUILD "" CACHE PATH "a Linux build folder with the virtual drive built")
set(KELVANE_VIRTUAL_DRIVE ${KELVANE_LINUX_BUILD}/tools/virtual_drive/kelvane-virtual-drive)

add_test(NAME wine_prefix_boot
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/wine_prefix.sh boot ${CMAKE_BINARY_DIR}/wine-run.sh
        ${KELVANE_WINESERVER} ${KELVANE_WINE_PREFIX} ${KELVANE_WINE_PORTS})
add_test(NAME wine_prefix_stop
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/wine_prefix.sh stop ${CMAKE_BINARY_DIR}/wine-run.sh
        ${KELVANE_WINESERVER} ${KELVANE_WINE_PREFIX} ${KELVANE_WINE_PORTS})
set_tests_properties(wine_prefix_boot PROPERTIES FIXTURES_SETUP wine_prefix LABELS windows)
set_tests_properties(wine_prefix_stop PROPERTIES FIXTURES_CLEANUP wine_prefix LABELS windows)

function(kelvane_add_wine_test target labels excluded)
    set(filter "")
    if(excluded)
        list(JOIN excluded ":" cases)
        set(filter "--gtest_filter=-${cases}")
    endif()
    add_test(NAME ${target} COMMAND ${target} ${filter})
    set_tests_properties(${target} PROPERTIES
        LABELS "${labels};windows" FIXTURES_REQUIRED wine_prefix
        ENVIRONMENT "${KELVANE_TEST_LOCALE}")
endfunction()

# kelvane_add_wine_drive_test(<name> <port> <command...>): runs the command (a test executable or
# a script) under Wine while a virtual drive is published as COM <port>.
function(kelvane_add_wine_drive_test name port)
    if(NOT KELVANE_LINUX_BUILD)
        message(WARNING "${name} needs KELVANE_LINUX_BUILD: not registered")
        return()
    endif()
    add_test(NAME ${name}
        COMMAND bash ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/with_drive_port.sh ${KELVANE_VIRTUAL_DRIVE}
            ${KELVANE_WINE_PORTS} ${port} ${ARGN})
    # One drive at a time on a port: a second would take the first one's link.
    set_tests_properties(${name} PROPERTIES
        LABELS "windows;drive" FIXTURES_REQUIRED wine_prefix ENVIRONMENT "${KELVANE_TEST_LOCALE}"
        RESOURCE_LOCK "COM${port}")
endfunction()
