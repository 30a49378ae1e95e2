#!/usr/bin/env bash
# Prints the module version (NODE_MODULE_VERSION) that a runtime's headers
# declare, as the compiler reads it: the version a nan addon built against
# them registers with, and so the runtimes that can load it.
#   module-version.sh <include/node folder>
set -euo pipefail
abi=$(printf '#include "node_version.h"\nNODE_MODULE_VERSION\n' |
  clang -E -P -x c -I "$1" - | tail -n 1 | tr -d '[:space:]')
if ! [[ "$abi" =~ ^[0-9]+$ ]]; then
  echo "module-version: no NODE_MODULE_VERSION in $1/node_version.h ($abi)" >&2
  exit 1
fi
echo "$abi"
