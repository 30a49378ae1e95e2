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
