#!/usr/bin/env bash
# Wine test bed: runs one command with a private Wine prefix, a private X
# display and one persistent wineserver, then stops everything it started, by
# the process ids it started them with.
#
#   winebed.sh <prefix-dir> <command> [args...]
#
# The command sees WINEPREFIX, DISPLAY, WINEDEBUG, WINEDLLOVERRIDES, and
# WINE / WINESERVER (the 64-bit loader and server, which Debian keeps off PATH).
# The prefix is created on first use (win10 mode) and reused afterwards.
set -uo pipefail

if [ $# -lt 2 ]; then
  echo "usage: $0 <prefix-dir> <command> [args...]" >&2
  exit 2
fi
prefix_dir=$(realpath -m "$1")
shift

export WINE=${WINE:-/usr/lib/wine/wine64}
export WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
export WINEPREFIX=$prefix_dir
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

case "$WINEPREFIX" in
  "$HOME/.wine"|"$HOME/.wine/"*) echo "winebed: refusing the user's own prefix" >&2; exit 2 ;;
esac

xvfb_pid=""
server_pid=""
keeper_pid=""

stop_bed() {
  # Ends every Wine process of this prefix, then the server and display we started.
  if [ -n "$server_pid" ]; then
    "$WINESERVER" -k >/dev/null 2>&1
    [ -n "$keeper_pid" ] && wait "$keeper_pid" 2>/dev/null
    kill "$server_pid" 2>/dev/null
    wait "$server_pid" 2>/dev/null
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
}
trap stop_bed EXIT
trap 'exit 130' INT TERM

# The display must exist before the first Wine call: a wineserver session born
# without one can never create windows later.
mkdir -p "$(dirname "$WINEPREFIX")"
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb_pid=$!
read -r -t 20 display_number <"$fifo"
rm -f "$fifo"
if [ -z "${display_number:-}" ]; then
  echo "winebed: Xvfb did not start" >&2
  exit 1
fi
export DISPLAY=":$display_number"

mkdir -p "$WINEPREFIX"
# A new prefix is set up in a server session of its own, which ends before the
# working session starts: in the session that set the prefix up, a second
# services.exe appeared and rpcss ended, so the running object table failed
# with RPC_S_SERVER_UNAVAILABLE until the next session.
if [ ! -f "$WINEPREFIX/.winebed-ready" ]; then
  echo "winebed: creating prefix $WINEPREFIX"
  "$WINE" wineboot --init >/dev/null 2>&1
  "$WINE" winecfg -v win10 >/dev/null 2>&1
  "$WINESERVER" -w
  touch "$WINEPREFIX/.winebed-ready"
fi

# One persistent server, in the foreground of its own process so that its pid
# is ours to stop.
"$WINESERVER" -f -p >/dev/null 2>&1 &
server_pid=$!
# Wait for its socket, so that the first client does not start a second server.
server_dir=$(printf 'server-%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
for _ in $(seq 200); do
  compgen -G "/tmp/*wine*/$server_dir/socket" >/dev/null && break
  sleep 0.05
done

# Start the session's services and desktop now, detached from our output: the
# first Wine program of a session starts them otherwise, they inherit its
# standard handles, and a caller reading those (ctest) waits until they end.
"$WINE" wineboot >/dev/null 2>&1 </dev/null
# Keep the desktop for the whole run: it ends a few seconds after the last Wine
# program does, and the next program that needs it starts it again with that
# program's standard handles. A node:test runner then waits for the end of a
# pipe the desktop holds, while its own life keeps the desktop alive. The
# keeper is a command interpreter reading a FIFO whose only writer is this
# script; it ends with the server, or at the script's end.
keeper_fifo=$(mktemp -u)
mkfifo "$keeper_fifo"
exec 4<>"$keeper_fifo" 5<"$keeper_fifo"
rm -f "$keeper_fifo"
"$WINE" cmd.exe /c pause <&5 >/dev/null 2>&1 4>&- 5<&- &
keeper_pid=$!
exec 5<&-

"$@"
rc=$?
exit $rc
