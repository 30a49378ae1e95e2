#!/usr/bin/env bash
# Runs every benchmark script; each prints its own figures.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bench-quiet-mode.sh "$@"
