#!/usr/bin/env bash
# Registers the automation test server in the test bed's Wine prefix (or
# unregisters it with -u): the DLL through regsvr32, the local server
# executable through its own /RegServer (/UnregServer). Registering again
# rewrites the same keys, so tests may run this before every use. Run inside
# testing/bed/winebed.sh.
#   register.sh [-u] <quillaret-test-server.dll | quillaret-test-server.exe>
set -u
if [ -z "${WINEPREFIX:-}" ] || [ -z "${WINE:-}" ]; then
  echo "register: run inside testing/bed/winebed.sh" >&2
  exit 2
fi
unregister=0
if [ "${1:-}" = "-u" ]; then
  unregister=1
  shift
fi
if [ $# -ne 1 ] || [ ! -f "$1" ]; then
  echo "usage: $0 [-u] <quillaret-test-server.dll | quillaret-test-server.exe>" >&2
  exit 2
fi
module=$(realpath "$1")
module_windows=$("$WINE" winepath -w "$module" 2>/dev/null) || exit 1
case "$module" in
  *.exe)
    if [ "$unregister" -eq 1 ]; then command=("$module_windows" /UnregServer)
    else command=("$module_windows" /RegServer); fi ;;
  *)
    if [ "$unregister" -eq 1 ]; then command=(regsvr32 /s /u "$module_windows")
    else command=(regsvr32 /s "$module_windows"); fi ;;
esac
"$WINE" "${command[@]}" </dev/null
rc=$?
if [ "$rc" -ne 0 ]; then
  echo "register: ${command[*]} failed with status $rc" >&2
fi
exit $rc
