#!/usr/bin/env bash
# What the automation test server costs a client under Wine: an Add call by
# name, reading the call record, building a large Table. The floor under the
# automation bridge's own benchmark, which drives the same server.
#   bench-com-server.sh [calls] [table side]   (defaults 100000, 1000)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/build.sh >/dev/null
export calls=${1:-100000} side=${2:-1000}
testing/bed/winebed.sh build/wine-prefix bash -c '
  testing/com-server/register.sh build/win/fixtures/quillaret-test-server.dll
  "$WINE" build/win/bench/com-server-bench.exe "$calls" "$side" </dev/null | tr -d "\r"
'
