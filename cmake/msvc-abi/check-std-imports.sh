#!/usr/bin/env bash
# Boundary guard: the addon may import from node.exe no symbol whose name
# involves a standard-library type (std@@), because node.exe was built with
# MSVC's standard library and the addon with libstdc++'s headers: same names,
# other layouts. A symbol on the reviewed list (one per line, then the reason
# it is layout-safe) is allowed.
#   check-std-imports.sh <addon.node> <reviewed list>
set -euo pipefail
image=$1 reviewed=$2
found=$(llvm-readobj --coff-imports "$image" | awk '
  /^(Import|DelayImport) \{/ { dll = ""; next }
  /^  Name: / { dll = tolower($2); next }
  dll == "node.exe" && /^  Symbol: / { print $2 }' | grep -F 'std@@' || true)
allowed=$(sed -e 's/#.*//' -e 's/[[:space:]].*//' "$reviewed" | grep -v '^$' || true)
bad=()
for symbol in $found; do
  grep -qxF -- "$symbol" <<<"$allowed" || bad+=("$symbol")
done
if [ "${#bad[@]}" -gt 0 ]; then
  echo "$(basename "$image") imports from node.exe symbols with standard-library types that nobody reviewed:" >&2
  printf '  %s\n' "${bad[@]}" >&2
  echo "Review each against MSVC's layout and list it in $reviewed with the reason, or stop using it." >&2
  exit 1
fi
