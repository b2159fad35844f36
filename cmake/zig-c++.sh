#!/bin/sh
# Zig's C++ compiler for the target triple TARGET, as CMake calls a compiler.
# Usage: zig-c++.sh ZIG TARGET ARGUMENT...
# Two of CMake's linker options are changed on the way: -Wl,-v, which CMake asks of the linker to
# learn the compiler's ABI and Zig's linker refuses, is dropped; and -Wl,-Map=FILE, which Zig's
# linker does not take either, becomes LLVM's own --print-map, with standard output sent to FILE.
zig=$1 target=$2
shift 2
map=
for argument; do
  shift
  case $argument in
    -Wl,-v) ;;
    -Wl,-Map=*) map=${argument#-Wl,-Map=}; set -- "$@" -Wl,--print-map ;;
    *) set -- "$@" "$argument" ;;
  esac
done
[ -z "$map" ] || exec >"$map"
exec "$zig" c++ -target "$target" "$@"
