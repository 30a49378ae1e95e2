#!/usr/bin/env bash
# The house style (.clang-format) over every C and C++ source in the tree.
#   format.sh          formats them in place
#   format.sh --check  names each source that is not formatted; fails if any
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t sources < <(git ls-files '*.c' '*.cc' '*.cpp' '*.h')
if [ "${1:-}" != --check ]; then
  clang-format -i "${sources[@]}"
  exit 0
fi
unformatted=0
for source in "${sources[@]}"; do
  if ! clang-format --dry-run -Werror "$source" >/dev/null 2>&1; then
    echo "not formatted: $source (clang-format -i $source)"
    unformatted=$((unformatted + 1))
  fi
done
echo "format: ${#sources[@]} sources, $unformatted not formatted"
[ "$unformatted" -eq 0 ]
