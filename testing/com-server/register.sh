#!/usr/bin/env bash
# Registers the automation test server in the test bed's Wine prefix (or
# unregisters it with -u). Registering again rewrites the same keys, so tests
# may run this before every use. Run inside testing/bed/winebed.sh.
#   register.sh [-u] <quillaret-test-server.dll>
set -u
if [ -z "${WINEPREFIX:-}" ] || [ -z "${WINE:-}" ]; then
  echo "register: run inside testing/bed/winebed.sh" >&2
  exit 2
fi
mode=()
if [ "${1:-}" = "-u" ]; then
  mode=(/u)
  shift
fi
if [ $# -ne 1 ] || [ ! -f "$1" ]; then
  echo "usage: $0 [-u] <quillaret-test-server.dll>" >&2
  exit 2
fi
dll=$(realpath "$1")
dll_windows=$("$WINE" winepath -w "$dll" 2>/dev/null) || exit 1
"$WINE" regsvr32 /s "${mode[@]}" "$dll_windows" </dev/null
rc=$?
if [ "$rc" -ne 0 ]; then
  echo "register: regsvr32 ${mode[*]} $dll_windows failed with status $rc" >&2
fi
exit $rc
