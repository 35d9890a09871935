# Compiler settings shared by every target of the project.

option(KELVANE_WERROR "Treat compiler warnings as errors" OFF)
option(KELVANE_ASAN "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(KELVANE_TSAN "Build with ThreadSanitizer" OFF)

if(KELVANE_ASAN AND KELVANE_TSAN)
    message(FATAL_ERROR "KELVANE_ASAN and KELVANE_TSAN cannot be combined")
endif()

add_library(kelvane_warnings INTERFACE)
target_compile_options(kelvane_warnings INTERFACE -Wall -Wextra -Wpedantic
    $<$<BOOL:${KELVANE_WERROR}>:-Werror>)

if(KELVANE_ASAN)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

if(KELVANE_TSAN)
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
endif()

if(WIN32)
    # localtime_r as on POSIX; <windows.h> without its min/max macros and rarely used parts.
    add_compile_definitions(_POSIX_THREAD_SAFE_FUNCTIONS=200112L NOMINMAX WIN32_LEAN_AND_MEAN)
    # The mingw runtime (libstdc++, libgcc, winpthread) goes into each program: one .exe to copy.
    # Not into those with windows: Qt's DLLs use the runtime's DLLs, which come with them, and a
    # program shares that one runtime with them (kelvane_shared_runtime).
    add_link_options("$<$<NOT:$<BOOL:$<TARGET_PROPERTY:KELVANE_SHARED_RUNTIME>>>:-static>")
    # Those DLLs, and the folders they are in.
    set(KELVANE_MINGW_RUNTIME_DLLS "")
    set(KELVANE_MINGW_RUNTIME "")
    foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
            OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
        get_filename_component(path ${path} REALPATH)
        list(APPEND KELVANE_MINGW_RUNTIME_DLLS ${path})
        get_filename_component(folder ${path} DIRECTORY)
        list(APPEND KELVANE_MINGW_RUNTIME ${folder})
    endforeach()
    list(REMOVE_DUPLICATES KELVANE_MINGW_RUNTIME)
endif()

# kelvane_shared_runtime(<target>): the program links Qt, and on Windows the mingw runtime's DLLs
# with it.
function(kelvane_shared_runtime target)
    set_target_properties(${target} PROPERTIES KELVANE_SHARED_RUNTIME ON)
endfunction()
