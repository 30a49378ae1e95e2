#!/usr/bin/env bash
# Builds the two nan addons (system-bridge-api, com-bridge) for one Windows
# runtime: compiled in the Microsoft-ABI tree against that runtime's headers
# and linked against an import library made from its executable's exports.
#   build-runtime.sh <headers> <runtime exe> [<build tree> <dist folder>]
# <headers> is the runtime's include/node folder (the one with node.h and
# node_version.h; a folder holding include/node, as a headers archive
# unpacks, does too). The tree and the folder default to
# build/runtime-abi<module version> and dist/runtime-abi<module version>.
# Prints "<module version> <dist folder>" on its last line.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

fail() {
  echo "build-runtime: $*" >&2
  exit 2
}
[ $# -eq 2 ] || [ $# -eq 4 ] || fail "usage: build-runtime.sh <headers> <runtime exe> [<build tree> <dist folder>]"
headers=$(realpath -m "$1")
exe=$(realpath -m "$2")
[ -f "$headers/include/node/node_version.h" ] && headers=$headers/include/node
[ -f "$headers/node_version.h" ] && [ -f "$headers/node.h" ] && [ -f "$headers/v8.h" ] ||
  fail "$1 holds no node.h, v8.h and node_version.h (give the runtime's include/node folder)"
[ -f "$exe" ] || fail "no runtime executable $2"

abi=$(bash scripts/module-version.sh "$headers")

tree=${3:-build/runtime-abi$abi}
dist=$(realpath -m "${4:-dist/runtime-abi$abi}")
settings=(-DQUILLARET_NODE_INCLUDE_DIR="$headers" -DQUILLARET_WIN_NODE="$exe" -DQUILLARET_DIST_DIR="$dist")
# Configured afresh when it was configured for other headers, exe or folder.
cache=$tree/CMakeCache.txt
for setting in "${settings[@]}"; do
  name=${setting#-D}
  name=${name%%=*}
  grep -qxF "$name:PATH=${setting#*=}" "$cache" 2>/dev/null ||
    grep -qxF "$name:FILEPATH=${setting#*=}" "$cache" 2>/dev/null || rm -rf "$tree"
done
if [ ! -f "$cache" ]; then
  cmake -S . -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/clang-msvc-x86_64.cmake" "${settings[@]}" >/dev/null
fi
cmake --build "$tree" -j "$(nproc)" --target system-bridge-api com-bridge >&2
echo "$abi $dist"
