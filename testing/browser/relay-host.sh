#!/usr/bin/env bash
# The native messaging host as the browser test registers it: runs relay.exe
# under the test bed's Wine (WINE, WINEPREFIX... come from the browser's
# environment, which the test inherits from winebed.sh), and relay.exe starts
# quillaret-host.exe with the browser's arguments.
#
# The test names the programs in QB_RELAY and QB_HOST, and before each
# exchange writes two lines to $QB_DIR/current: the case's folder (the fixture
# application's arranged outputs; relay.exe's record and copy of the reply)
# and the folder the host runs in (where the command interpreter finds
# QuillaretWorkspace.exe, or not).
set -eu
windows() { printf 'Z:%s' "${1//\//\\}"; }
{ read -r folder; read -r cwd; } <"$QB_DIR/current"
export QW_FIXTURE_DIR
QW_FIXTURE_DIR=$(windows "$folder")
cd "$cwd"
# Not exec'd: a browser that gave up on the host kills the process it started
# after a grace period, and the relay must still drain the host and record.
"$WINE" "$QB_RELAY" "$QW_FIXTURE_DIR" "$(windows "$QB_HOST")" "$@"
