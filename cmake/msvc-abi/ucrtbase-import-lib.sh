#!/usr/bin/env bash
# Import library for the ucrtbase.dll functions that MinGW's libucrt.a cannot
# link: those it has no callable stub for (MinGW serves the math functions
# from its own static library, which belongs to the GNU ABI). The list is
# Wine's import library of ucrtbase.dll, minus every function that libucrt.a
# defines.
#   ucrtbase-import-lib.sh <wine libucrtbase.a> <mingw libucrt.a> <out.def> <out.lib>
set -euo pipefail
wine_lib=$1 mingw_lib=$2 def=$3 lib=$4
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
functions() { llvm-nm --defined-only "$1" 2>/dev/null | awk '$2 == "T" { print $3 }' | sort -u; }
functions "$wine_lib" | grep -v -E '^(__wine|__main$)' >"$tmp/ucrtbase"
functions "$mingw_lib" >"$tmp/mingw"
{
  echo "LIBRARY ucrtbase.dll"
  echo "EXPORTS"
  comm -23 "$tmp/ucrtbase" "$tmp/mingw" | sed 's/^/  /'
} >"$def"
llvm-dlltool -m i386:x86-64 -d "$def" -l "$lib"
