#!/usr/bin/env bash
# Import library of the runtime executable, made from its own export table so
# that it names exactly what that node.exe exports (V8 with MSVC names, libuv,
# node_module_register).
#   node-import-lib.sh <node.exe> <out.def> <out.lib>
set -euo pipefail
exe=$1 def=$2 lib=$3
{
  echo "LIBRARY node.exe"
  echo "EXPORTS"
  llvm-readobj --coff-exports "$exe" | sed -n 's/^  Name: \(.\+\)$/  \1/p'
} >"$def.tmp"
count=$(($(wc -l <"$def.tmp") - 2))
if [ "$count" -lt 1000 ]; then
  echo "node-import-lib: only $count exports read from $exe" >&2
  exit 1
fi
mv "$def.tmp" "$def"
llvm-dlltool -m i386:x86-64 -d "$def" -l "$lib"
