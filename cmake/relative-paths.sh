#!/usr/bin/env bash
# Compiler and linker launcher of the two Windows cross trees
# (cmake/Quillaret.cmake): runs the command with every path inside the source
# root written relative to the build folder, and names the compilation folder
# to the compiler as the PDBs name the source root. Clang 14 writes its whole
# command line into each object's CodeView information, and lld the link's
# into the PDB; through the PDB's content hash (/Brepro) both reach the
# binary. With absolute paths, two builds in different folders would differ.
#   relative-paths.sh <source root> <source root as the PDBs name it> <command...>
set -euo pipefail
root=$1
named=$2
shift 2
relative=$(realpath -m --relative-to="$PWD" "$root")
args=()
compile=0
for arg in "$@"; do
  [ "$arg" = "-c" ] && compile=1
  arg=${arg//"$root/"/"$relative/"}
  arg=${arg//"$root="/"$relative="}
  case $arg in *"$root") arg=${arg%"$root"}$relative ;; esac # the root itself, as in -I<root>
  args+=("$arg")
done
if [ $compile -eq 1 ]; then
  args+=("-ffile-compilation-dir=$named/$(realpath -m --relative-to="$root" "$PWD")")
fi
exec "${args[@]}"
