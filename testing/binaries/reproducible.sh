#!/usr/bin/env bash
# Builds the five Windows deliverables a second time, from a copy of the
# sources in another folder (the files git knows, as they are in the working
# tree), and compares them and their PDBs with dist/win-x64 byte for byte.
# Writes "<file> <SHA-256 of the second build>" lines to <sums>, for the
# binary check's last row.
#   reproducible.sh <source root> <work folder> <sums>
set -euo pipefail
root=$1
work=$2
sums=$3
copy=$work/src
rm -rf "$work" "$sums"
mkdir -p "$copy"
git -C "$root" ls-files -z --cached --others --exclude-standard |
  tar -C "$root" --null -T - --ignore-failed-read -cf - 2>/dev/null | tar -C "$copy" -xf -
# The pinned Node releases and npm packages are inputs, not sources.
ln -s "$root/.deps" "$copy/.deps"
ln -s "$root/node_modules" "$copy/node_modules"

build() { # <tree> <toolchain> <targets...>
  local tree=$1 toolchain=$2
  shift 2
  cmake -S "$copy" -B "$copy/build/$tree" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$copy/cmake/$toolchain" >/dev/null
  cmake --build "$copy/build/$tree" -j "$(nproc)" --target "$@" >/dev/null
}
build win mingw-w64-x86_64.cmake quillaret-host window-lift quiet-mode
build msvc clang-msvc-x86_64.cmake system-bridge-api com-bridge

status=0
for name in quillaret-host.exe system-bridge-api.node com-bridge.node window-lift.node quiet-mode.node; do
  for file in "$name" "${name%.*}.pdb"; do
    first=$(sha256sum "$root/dist/win-x64/$file" | cut -d' ' -f1)
    second=$(sha256sum "$copy/dist/win-x64/$file" | cut -d' ' -f1)
    echo "$file $second" >>"$sums"
    if [ "$first" = "$second" ]; then
      echo "same     $file $first"
    else
      echo "DIFFERS  $file $first $second ($(cmp -l "$root/dist/win-x64/$file" "$copy/dist/win-x64/$file" | wc -l) bytes)"
      status=1
    fi
  done
done
# The copy is kept when it differs, for a look at what did.
[ $status -ne 0 ] || rm -rf "$work"
exit $status
