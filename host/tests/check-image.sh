#!/usr/bin/env bash
# The shipped host is a PE32+ console program with version 1.0.74.0 and an
# asInvoker manifest without UI access.
#   check-image.sh <quillaret-host.exe> <peinfo.exe>
set -u
exe=$1
peinfo=$2
fail=0
expect() { # <what> <text> <pattern>
  if grep -qE -- "$3" <<<"$2"; then echo "ok: $1"; else echo "FAILED: $1"; fail=1; fi
}
headers=$(x86_64-w64-mingw32-objdump -p "$exe")
expect "PE32+ image" "$headers" '^Magic[[:space:]]+020b'
expect "console subsystem" "$headers" '^Subsystem[[:space:]]+00000003'
info=$("$WINE" "$peinfo" "$exe" | tr -d '\r')
echo "$info"
expect "file version" "$info" '^file version: 1\.0\.74\.0$'
expect "product version" "$info" '^product version: 1\.0\.74\.0$'
expect "asInvoker" "$info" 'requestedExecutionLevel level="asInvoker" uiAccess="false"'
exit $fail
