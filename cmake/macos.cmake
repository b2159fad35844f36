# Cross-builds jarmenu for macOS with Zig's C++ compiler, which carries macOS's C library headers
# and a Mach-O linker, against a stand-in of macOS's libedit: its header (Debian's, a superset of
# the 2012 one) and cmake/macos/libedit.tbd, the list of what the system's libedit.3.dylib exports.
# Set JARMENU_ZIG to the zig program and JARMENU_MACOS_ARCH to aarch64 or x86_64. Nothing found on
# the build machine is used: its headers and libraries are Linux's.
set(CMAKE_SYSTEM_NAME Darwin)
set(CMAKE_SYSTEM_PROCESSOR ${JARMENU_MACOS_ARCH})
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES JARMENU_ZIG JARMENU_MACOS_ARCH)

# CMake takes one program per tool, so each zig command gets a small script of its own. The
# compiler's drops -Wl,-v, which CMake asks of the linker to learn the compiler's ABI and Zig's
# linker refuses.
set(zig_tools ${CMAKE_BINARY_DIR}/zig-tools)
foreach(tool c++ ar ranlib)
  set(command "exec '${JARMENU_ZIG}' ${tool} \"$@\"")
  if(tool STREQUAL "c++")
    set(command "for argument; do shift; [ \"$argument\" = -Wl,-v ] || set -- \"$@\" \"$argument\"; done\n")
    string(APPEND command "exec '${JARMENU_ZIG}' c++ -target ${JARMENU_MACOS_ARCH}-macos \"$@\"")
  endif()
  file(WRITE ${zig_tools}/zig-${tool} "#!/bin/sh\n${command}\n")
  file(CHMOD ${zig_tools}/zig-${tool} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE)
endforeach()
set(CMAKE_CXX_COMPILER ${zig_tools}/zig-c++)
set(CMAKE_AR ${zig_tools}/zig-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${zig_tools}/zig-ranlib CACHE FILEPATH "")

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
