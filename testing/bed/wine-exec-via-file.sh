#!/usr/bin/env bash
# Like wine-exec.sh, for programs that create windows: the first window of a
# Wine session starts the desktop process, which keeps the standard handles it
# was born with. Output goes through a file so that the caller's pipe closes
# when the program ends.
if [ -z "${WINEPREFIX:-}" ] || [ -z "${WINE:-}" ]; then
  echo "wine-exec-via-file: run inside testing/bed/winebed.sh" >&2
  exit 2
fi
out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$WINE" "$@" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"
exit $rc
