#!/usr/bin/env bash
# ctest's emulator for cross-compiled tests: runs a Windows program with the
# loader of the test bed that winebed.sh set up around this run.
if [ -z "${WINEPREFIX:-}" ] || [ -z "${WINE:-}" ]; then
  echo "wine-exec: run inside testing/bed/winebed.sh" >&2
  exit 2
fi
exec "$WINE" "$@"
