#!/usr/bin/env bash
# Runs one node:test file with the Windows node.exe under the test bed's Wine.
# node.exe cannot write to a Linux pipe, so its output goes through a file.
#   win-node-test.sh <node.exe> <test file> [node options...]
# NODE_TEST_REPORTER (default tap) names the runner's reporter; empty leaves
# the option out, for a node whose runner has none (Node 16 prints TAP).
set -u
node_exe=$1
file=$2
shift 2
if [ -z "${WINEPREFIX:-}" ] || [ -z "${WINE:-}" ]; then
  echo "win-node-test: run inside testing/bed/winebed.sh" >&2
  exit 2
fi
out=$(mktemp)
trap 'rm -f "$out"' EXIT
reporter=${NODE_TEST_REPORTER-tap}
"$WINE" "$node_exe" --test ${reporter:+"--test-reporter=$reporter"} "$@" "$file" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"
exit $rc
