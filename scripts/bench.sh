#!/usr/bin/env bash
# Every benchmark of the project; each prints its own figures.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bench-host.sh
bash scripts/bench-browser.sh
bash scripts/bench-quiet-mode.sh "$@"
bash scripts/bench-com-server.sh
bash scripts/bench-com-bridge.sh
bash scripts/bench-com-apartments.sh
