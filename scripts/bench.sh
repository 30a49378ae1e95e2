#!/usr/bin/env bash
# Every benchmark of the project; each prints its own figures, a figure
# with a goal beside it, marked MISS when outside it (scripts/goals.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
echo "Figures with a goal print it beside them; MISS marks one outside its goal. The browser's"
echo "round trip and the test server's costs have none: they are the ground under the others."
bash scripts/bench-host.sh
bash scripts/bench-browser.sh
bash scripts/bench-quiet-mode.sh "$@"
bash scripts/bench-com-server.sh
bash scripts/bench-com-bridge.sh
bash scripts/bench-com-apartments.sh
bash scripts/bench-com-peer.sh
