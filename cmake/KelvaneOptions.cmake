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
    add_link_options(-static)
endif()
