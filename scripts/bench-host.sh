#!/usr/bin/env bash
# Cost of one whole native messaging exchange under Wine, beside the cost of
# starting the desktop application through the command interpreter directly.
# The host's own share is the difference; its second poll alone is ~50 ms.
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

cd build/win/fixtures
"$root/testing/bed/winebed.sh" "$root/build/wine-prefix" bash -c '
  "$WINE" exchange.exe --bench 3 "\"sessionStatus\"" "$1" >/dev/null   # warm-up
  host=$("$WINE" exchange.exe --bench "$2" "\"sessionStatus\"" "$1" | tr -d "\r")
  base=$("$WINE" exchange.exe --bench "$2" - "cmd.exe /c QuillaretWorkspace.exe --sessionStatus" | tr -d "\r")
  # The host started and ended at once (elevation mode without a program):
  # what Wine charges for creating any console process.
  start=$("$WINE" exchange.exe --bench "$2" - "$1 \"\\\"--elevate\\\"\"" | tr -d "\r")
  echo "host exchange          : $host"
  echo "cmd.exe /c application : $base"
  echo "host start and exit    : $start"
  median() { sed -E "s/.*median ([0-9.]+).*/\1/" <<<"$1"; }
  awk -v h="$(median "$host")" -v b="$(median "$base")" -v s="$(median "$start")" "BEGIN {
    printf \"host cost above baseline: %.1f ms (median %.1f - %.1f; budget 50 + 10)\n\", h - b, h, b
    printf \"of which process start  : %.1f ms; exchange itself: %.1f ms\n\", s, h - b - s }"
' bench "$host" "$runs"
