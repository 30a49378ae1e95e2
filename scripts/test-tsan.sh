#!/usr/bin/env bash
# com-bridge's event tests with ThreadSanitizer (build/linux-tsan): the addon,
# the Windows stand-in and the test server instrumented, the pinned node (not
# instrumented) with the TSan runtime preloaded. The server fires events from
# its own threads, one and four at a time, while the script thread
# subscribes, unsubscribes and releases. Any report fails the run.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh || exit 1

dir=build/linux-tsan
flags="-fsanitize=thread -fno-omit-frame-pointer"
tsan_runtime=$(g++ -print-file-name=libtsan.so)
# node is not instrumented: what its own code does inside intercepted calls
# (its locks, its once-only initialisation) is not checked, only ours.
node_env="LD_PRELOAD=$tsan_runtime;TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:ignore_noninstrumented_modules=1"
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" \
    -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=thread" \
    -DCMAKE_MODULE_LINKER_FLAGS="-fsanitize=thread" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" \
    -DQUILLARET_SIM_DIR="$root/$dir/sim-linux-x64" \
    -DQUILLARET_NODE_TEST_ENV="$node_env" >/dev/null || exit 1
fi
cmake --build "$dir" -j "$(nproc)" --target com-bridge quillaret-test-server standin-automation || exit 1
ctest --test-dir "$dir" --output-on-failure -R '^com-bridge:events$' 2>&1 | tee "$dir/ctest.log"
status=${PIPESTATUS[0]}
# A report that did not end its process still fails the run.
if grep -qE "WARNING: ThreadSanitizer|ERROR: ThreadSanitizer" "$dir/ctest.log"; then
  echo "sanitizer reports found: 0% tests passed, 1 tests failed out of 1"
  exit 1
fi
exit "$status"
