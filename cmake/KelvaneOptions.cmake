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
