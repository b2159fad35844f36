# Cross-builds jarmenu for macOS with Zig's C++ compiler, which carries macOS's C library headers
# and a Mach-O linker, against a stand-in of macOS's libedit: its header (Debian's, a superset of
# the 2012 one) and cmake/macos/libedit.tbd, the list of what the system's libedit.3.dylib exports.
# Set JARMENU_MACOS_ARCH to aarch64 or x86_64 (and JARMENU_ZIG to the zig program: cmake/zig.cmake).
# Nothing found on the build machine is used: its headers and libraries are Linux's.
set(CMAKE_SYSTEM_NAME Darwin)
set(CMAKE_SYSTEM_PROCESSOR ${JARMENU_MACOS_ARCH})
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES JARMENU_MACOS_ARCH)
set(JARMENU_ZIG_TARGET ${JARMENU_MACOS_ARCH}-macos)
include(${CMAKE_CURRENT_LIST_DIR}/zig.cmake)

# The stand-in system root: libedit's header and list, and GoogleTest's headers, with which the
# tests' sources are compiled (nothing can run them here).
set(sysroot ${CMAKE_BINARY_DIR}/macos-root)
file(COPY /usr/include/histedit.h /usr/include/gtest DESTINATION ${sysroot}/include)
file(COPY ${CMAKE_CURRENT_LIST_DIR}/macos/libedit.tbd DESTINATION ${sysroot}/lib)
set(CMAKE_FIND_ROOT_PATH ${sysroot})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
