#!/usr/bin/env bash
# Cost of one whole native messaging exchange under Wine, beside the cost of
# starting the desktop application through the command interpreter directly.
# The host's share is the difference; of it, the second poll sleeps 50 ms
# and starting the host's process costs what Wine charges any console
# program (a program that does nothing, timed in the same turns): the rest
# is the host's own work, the figure with a goal. The measurements take
# turns run by run, so that load from elsewhere on the machine falls on all
# of them alike.
#   HOST_BEFORE=<quillaret-host.exe>  also times another build's start in the
#                                     same turns (before/after comparisons)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. scripts/goals.sh
bash scripts/build.sh >/dev/null
runs=${RUNS:-25}

app=$(mktemp -d)
trap 'rm -rf "$app"' EXIT
export figures="$app/figures"
printf 'active\r\n' >"$app/sessionStatus.out"
export QW_FIXTURE_DIR="Z:${app//\//\\}"
host="Z:${root//\//\\}\\dist\\win-x64\\quillaret-host.exe"
before=""
if [ -n "${HOST_BEFORE:-}" ]; then
  before_abs=$(cd "$(dirname "$HOST_BEFORE")" && pwd)/$(basename "$HOST_BEFORE")
  before="Z:${before_abs//\//\\}"
fi

cd build/win/fixtures
"$root/testing/bed/winebed.sh" "$root/build/wine-prefix" bash -c '
  host=$1 runs=$2 before=$3
  once() { "$WINE" exchange.exe --bench 1 "$@" | tr -d "\r" | sed -E "s/.*median ([0-9.]+).*/\1/"; }
  median() { sort -n | awk "{ v[NR] = \$1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }"; }
  once "\"sessionStatus\"" "$host" >/dev/null # warm-up
  : >exchange.times; : >baseline.times; : >start.times; : >bare.times; : >before.times
  for _ in $(seq "$runs"); do
    once "\"sessionStatus\"" "$host" >>exchange.times
    once - "cmd.exe /c QuillaretWorkspace.exe --sessionStatus" >>baseline.times
    # The host started and ended at once (elevation mode without a program):
    # what Wine charges for creating any console process.
    once - "$host \"\\\"--elevate\\\"\"" >>start.times
    once - "bare_console.exe" >>bare.times
    if [ -n "$before" ]; then once - "$before \"\\\"--elevate\\\"\"" >>before.times; fi
  done
  echo "$(median <exchange.times) $(median <baseline.times) $(median <start.times) $(median <bare.times)" >"$figures"
  # The work of the host itself, turn by turn: the exchange less the
  # baseline, the second poll and a console program'"'"'s start of the same turn.
  paste exchange.times baseline.times bare.times | awk "{ print \$1 - \$2 - 50 - \$3 }" | median >>"$figures"
  if [ -n "$before" ]; then
    awk -v n="$runs" -v p="$(median <before.times)" -v s="$(median <start.times)" "BEGIN {
      printf \"host start, this build / the build before, median of %d: %.1f / %.1f ms\n\", n, s, p }"
  fi
  rm -f exchange.times baseline.times start.times bare.times before.times
' bench "$host" "$runs" "$before"
{ read -r h b s z; read -r own; } <"$figures"
awk -v n="$runs" -v h="$h" -v b="$b" -v s="$s" -v z="$z" -v own="$(printf %.1f "$own")" "$goal_awk"'BEGIN {
  printf "host exchange, median of %d                   : %6.1f ms\n", n, h
  printf "cmd.exe /c application, median of %d          : %6.1f ms\n", n, b
  printf "host above that baseline                      : %6.1f ms\n", h - b
  printf "  less the second poll (a sleep)              :   50.0 ms\n"
  printf "  less a console program that does nothing    : %6.1f ms (its start, median of %d)\n", z, n
  printf "the work of the host itself, median of the    : %6.1f ms   %s\n", own, goal(own, "<=", 5)
  printf "  %d turns (each less its own baseline and start)\n", n
  if (own < 0) printf "  (below zero: the exchange exceeded its baseline by less than the sleep and a start, so this\n   machine'"'"'s process starts do not add up and the difference cannot isolate the host'"'"'s work)\n"
  printf "  (the host started and ended at once, in elevation mode without a program: %.1f ms)\n", s }'
