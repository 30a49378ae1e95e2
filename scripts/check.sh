#!/usr/bin/env bash
# The edit-build-test loop of one deliverable:
#   scripts/check.sh <deliverable>      (make check PKG=<deliverable>)
# builds the trees the deliverable lands in (incrementally) and runs all of its
# suites in every bed it has, then prints one summary line. The project-wide
# checks (packages, shipped binaries, reproducibility) stay in make test.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

names="quillaret-host system-bridge-api com-bridge window-lift quiet-mode"
pkg=${1:-}
# Per deliverable: the Microsoft-ABI target (nan addons), the Wine tests and
# the Linux stand-in tests (ctest name filters), and whether the TSan run is
# its own.
msvc_target="" linux_tests="" tsan=no
case "$pkg" in
  quillaret-host)
    win_tests='^(host|host-unit|cleanup_test|browser):' ;;
  system-bridge-api)
    msvc_target=system-bridge-api
    win_tests='^(system-bridge-api-wine|conformance|dll-runtime):|^node16:system-bridge-api$'
    linux_tests='^(system-bridge-api|conformance):' ;;
  com-bridge)
    msvc_target=com-bridge
    win_tests='^(com-bridge|com-bridge-sta|com-server|conformance|dll-runtime):|^node16:com-bridge$'
    linux_tests='^(com-bridge|com-server|conformance):'
    tsan=yes ;;
  window-lift)
    win_tests='^(window-lift|window-lift-tests|napi-utils):|^node16:node-api-addons$' ;;
  quiet-mode)
    win_tests='^(quiet-mode|quiet-mode-tests|napi-utils):|^node16:node-api-addons$' ;;
  *)
    echo "usage: make check PKG=<deliverable>, one of: $names" >&2
    exit 2 ;;
esac

bash scripts/setup.sh || exit 1
[ -f build/win/CMakeCache.txt ] && [ -f build/linux/CMakeCache.txt ] || bash scripts/build.sh || exit 1
jobs=$(nproc)
build() { # <tree> [targets...]
  local dir=$1
  shift
  local targets=()
  for t in "$@"; do targets+=(--target "$t"); done
  cmake --build "$dir" -j "$jobs" "${targets[@]}" >/dev/null || {
    cmake --build "$dir" -j "$jobs" "${targets[@]}" | tail -n 30 # show the failure
    echo "$pkg: the build of $dir failed"
    echo "check: 0 passed, 1 failed"
    exit 1
  }
}
# The MinGW tree holds the fixtures, test servers and control module every
# Wine suite uses.
build build/win
if [ -n "$msvc_target" ]; then
  build build/msvc "$msvc_target"
  build build/msvc-node16 "$msvc_target"
  build build/linux
fi

logs=build/test-logs/check-$pkg
mkdir -p "$logs"
passed=0
failed=0
. scripts/suites.sh
ctest_args=(--output-on-failure -j "$jobs")
# The Linux suites run one after the other beside the Wine suite, which mostly
# waits on Wine's programs; their output follows the Wine suite's.
if [ -n "$linux_tests" ]; then
  start_suite "$pkg: Linux tests (stand-in)" "$logs/linux.log" \
    ctest --test-dir build/linux "${ctest_args[@]}" -R "$linux_tests"
  start_suite "$pkg: Linux tests (ASan+UBSan)" "$logs/linux-asan.log" \
    bash scripts/test-asan.sh -R "$linux_tests"
fi
if [ "$tsan" = yes ]; then
  start_suite "$pkg: events (TSan)" "$logs/linux-tsan.log" bash scripts/test-tsan.sh
fi
# The host's Wine tests wait (for an installer, a retry's pause) rather than
# compute, so twice as many of them run at once as there are cores.
win_jobs=$jobs
[ "$pkg" = quillaret-host ] && win_jobs=$((jobs * 2))
run_suite "$pkg: Windows tests (Wine)" "$logs/win.log" \
  testing/bed/winebed.sh build/wine-prefix ctest --test-dir build/win --output-on-failure -j "$win_jobs" \
  -R "$win_tests"
finish_suites
echo
echo "$pkg: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
