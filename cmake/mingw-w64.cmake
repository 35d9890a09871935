# CMake toolchain: x86_64 Windows with Debian's mingw-w64, posix threads (std::thread and
# std::mutex need them in GCC 12's mingw build). scripts/build_windows.sh uses it; by hand:
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
# KELVANE_WINDOWS_PREFIX names the folder of libraries built for Windows (PCRE2), KELVANE_QT_PREFIX
# the Qt built for Windows (scripts/get_qt_windows.sh); Debian's own Qt tools (moc, uic, rcc) do
# the code generation for it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${KELVANE_WINDOWS_PREFIX} ${KELVANE_QT_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
if(KELVANE_WINDOWS_PREFIX)
    # pkg-config finds the Windows libraries of that folder, never the build machine's own.
    set(ENV{PKG_CONFIG_LIBDIR} "${KELVANE_WINDOWS_PREFIX}/lib/pkgconfig")
endif()
if(KELVANE_QT_PREFIX)
    set(QT_HOST_PATH /usr)
    set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
endif()
