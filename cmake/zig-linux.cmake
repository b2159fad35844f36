# Builds the jarmenu that the packages ship, for x86-64 or 64-bit ARM Linux, with Zig's C++
# compiler: against glibc 2.28's symbols (RHEL 8, Debian 10, Ubuntu 20.04 and later), with
# LLVM's C++ library linked in, and against Debian's own libedit, libbsd and libmd archives for
# that architecture, linked in too. Set JARMENU_LINUX_ARCH to x86_64 (the default) or aarch64.
# The build machine's own headers and libraries are not used: they are of a newer glibc.
if(NOT JARMENU_LINUX_ARCH)
  set(JARMENU_LINUX_ARCH x86_64)
endif()
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${JARMENU_LINUX_ARCH})
set(CMAKE_LIBRARY_ARCHITECTURE ${JARMENU_LINUX_ARCH}-linux-gnu)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES JARMENU_LINUX_ARCH JARMENU_GLIBC_VERSION)
# The oldest C library the program is to run on, whose symbols it is linked against.
if(NOT JARMENU_GLIBC_VERSION)
  set(JARMENU_GLIBC_VERSION 2.28)
endif()
set(JARMENU_ZIG_TARGET ${JARMENU_LINUX_ARCH}-linux-gnu.${JARMENU_GLIBC_VERSION})
include(${CMAKE_CURRENT_LIST_DIR}/zig.cmake)

# Stripping and reading the binary need binutils that know the architecture.
if(JARMENU_LINUX_ARCH STREQUAL "aarch64")
  set(binutils_prefix aarch64-linux-gnu-)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
  set(CPACK_RPM_PACKAGE_ARCHITECTURE aarch64)
endif()
set(CMAKE_STRIP ${binutils_prefix}strip CACHE FILEPATH "")
set(CMAKE_OBJDUMP ${binutils_prefix}objdump CACHE FILEPATH "")

# The stand-in system root: libedit's header, and the three archives with libedit's pkg-config file,
# which gives the version of the libedit linked in.
set(sysroot ${CMAKE_BINARY_DIR}/linux-root)
set(debian_lib /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE})
file(COPY /usr/include/histedit.h DESTINATION ${sysroot}/include)
file(COPY ${debian_lib}/libedit.a ${debian_lib}/libbsd.a ${debian_lib}/libmd.a DESTINATION ${sysroot}/lib)
file(COPY ${debian_lib}/pkgconfig/libedit.pc DESTINATION ${sysroot}/lib/pkgconfig)
set(CMAKE_FIND_ROOT_PATH ${sysroot})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# What Debian's compiler does unasked and Zig's does not: a position-independent executable, and
# stack canaries in the functions that keep arrays. And what Zig's does unasked: debug information
# in every build, which names the build's directory; a release has none, as with other compilers.
set(CMAKE_CXX_FLAGS_INIT "-fPIE -fstack-protector-strong")
set(CMAKE_CXX_FLAGS_RELEASE_INIT -g0)
set(CMAKE_EXE_LINKER_FLAGS_INIT -pie)
