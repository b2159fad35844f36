# Cross-builds jarmenu for 64-bit ARM Linux with Debian's cross compiler, against the arm64
# libraries of Debian's multiarch (dpkg --add-architecture arm64), and runs what it builds, tests
# included, under qemu-user with those same libraries. Not with -L /usr/aarch64-linux-gnu, the
# cross compiler's own C library: the guest would then mix two builds of it, and hang in its
# first fork() or new thread.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64)
# The packages' architecture, in each format's own words.
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
set(CPACK_RPM_PACKAGE_ARCHITECTURE aarch64)
