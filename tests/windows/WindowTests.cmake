# The window program's own tests under Wine, beyond the window tests each folder registers: the
# program on a COM port mapped to the virtual drive (COM9), and the download (the zip and the
# installer that scripts/build_windows.sh makes) installed, started, shown on a screen, closed,
# ended with the session and removed, in a Wine prefix of its own.
add_executable(kelvane_program_on_com_port_tests windows/program_on_com_port_test.cpp)
target_link_libraries(kelvane_program_on_com_port_tests PRIVATE kelvane_app
    kelvane_test_support_gui kelvane_gui_test_main kelvane_warnings GTest::gtest)
kelvane_shared_runtime(kelvane_program_on_com_port_tests)
target_compile_definitions(kelvane_program_on_com_port_tests
    PRIVATE KELVANE_DEFAULT_TABLE="Z:${PROJECT_SOURCE_DIR}/resources/com.dbf")
kelvane_add_wine_drive_test(kelvane_program_on_com_port 9
    ${CMAKE_BINARY_DIR}/wine-run.sh $<TARGET_FILE:kelvane_program_on_com_port_tests>)

# The installer of scripts/build_windows.sh, which makes it after the build: installed for a new
# user, the program started from it on a virtual screen and shot (screenshots/), closed, and at
# the end of the session, removed.
add_test(NAME kelvane_installer_under_wine
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/installer_under_wine.sh ${KELVANE_WINE}
        ${KELVANE_WINESERVER} ${CMAKE_BINARY_DIR}/kelvane-${PROJECT_VERSION}-setup.exe
        ${CMAKE_BINARY_DIR}/install-prefix ${CMAKE_BINARY_DIR}/screenshots)
set_tests_properties(kelvane_installer_under_wine PROPERTIES LABELS "windows;installer")
