#!/usr/bin/env bash
# Builds, then runs every test: the Windows tests (GoogleTest and node:test
# under Wine, inside one test bed) and the Linux tests (stand-in builds, once
# plainly and once with the sanitizers), and
# ends with one summary line.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/build.sh || exit 1
# The packages the package tests check (packages:* in the Windows tests).
bash scripts/package.sh >/dev/null || exit 1

logs=build/test-logs
mkdir -p "$logs"
passed=0
failed=0
. scripts/suites.sh

# The house style: one check, failed by any source clang-format would change.
echo "== The house style (scripts/format.sh --check)"
if bash scripts/format.sh --check; then passed=$((passed + 1)); else failed=$((failed + 1)); fi

ctest_args=(--output-on-failure -j "$(nproc)")
run_suite "Windows tests (Wine)" "$logs/win.log" \
  testing/bed/winebed.sh build/wine-prefix ctest --test-dir build/win "${ctest_args[@]}"
run_suite "Linux tests (stand-in)" "$logs/linux.log" \
  ctest --test-dir build/linux "${ctest_args[@]}"
# The same Linux tests with ASan and UBSan (a few seconds once built).
run_suite "Linux tests (ASan+UBSan)" "$logs/linux-asan.log" \
  bash scripts/test-asan.sh
# com-bridge's event tests with ThreadSanitizer.
run_suite "com-bridge events (TSan)" "$logs/linux-tsan.log" \
  bash scripts/test-tsan.sh

# The shipped binaries' table (binaries:check in the Windows tests).
table=build/win/testing/binaries/binary-check.txt
if [ -f "$table" ]; then
  echo
  echo "== The shipped binaries (dist/win-x64)"
  cat "$table"
fi

echo
echo "all: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
