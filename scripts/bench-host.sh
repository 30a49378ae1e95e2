#!/usr/bin/env bash
# Cost of one whole native messaging exchange under Wine, beside the cost of
# starting the desktop application through the command interpreter directly.
# The host's own share is the difference; its second poll alone is ~50 ms.
# The measurements take turns run by run, so that load from elsewhere on the
# machine falls on all of them alike. A console program that does nothing
# gives the floor of any process start under Wine.
#   HOST_BEFORE=<quillaret-host.exe>  also times another build's start in the
#                                     same turns (before/after comparisons)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/build.sh >/dev/null
runs=${RUNS:-25}

app=$(mktemp -d)
trap 'rm -rf "$app"' EXIT
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
  h=$(median <exchange.times) b=$(median <baseline.times) s=$(median <start.times) z=$(median <bare.times)
  if [ -n "$before" ]; then
    awk -v n="$runs" -v p="$(median <before.times)" -v s="$s" "BEGIN {
      printf \"host start, this build / the build before, median of %d: %.1f / %.1f ms\n\", n, s, p }"
  fi
  rm -f exchange.times baseline.times start.times bare.times before.times
  awk -v n="$runs" -v h="$h" -v b="$b" -v s="$s" -v z="$z" "BEGIN {
    printf \"host exchange, median of %d          : %.1f ms\n\", n, h
    printf \"cmd.exe /c application, median of %d : %.1f ms\n\", n, b
    printf \"host cost above baseline: %.1f ms (budget 50 + 10)\n\", h - b
    printf \"  of which starting the host process: %.1f ms; the exchange itself: %.1f ms\n\", s, h - b - s
    printf \"  a console program that does nothing starts in %.1f ms\n\", z }"
' bench "$host" "$runs" "$before"
