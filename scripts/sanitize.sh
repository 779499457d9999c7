#!/usr/bin/env bash
# Builds the test suite and the fuzz targets with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer into their own build directory, build-sanitize/, and runs every
# test there; a sanitizer finding fails the test that caused it, and a warning the build.
# Usage: scripts/sanitize.sh [ctest arguments]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-sanitize
"$root/scripts/packages.sh" test clang
ASAN_SYMBOLIZER_PATH=${ASAN_SYMBOLIZER_PATH:-$("$root/scripts/clang-runtime.sh")}
export ASAN_SYMBOLIZER_PATH
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DNETROVA_SANITIZE=ON -DNETROVA_WERROR=ON >/dev/null
cmake --build "$build" -j "$(nproc)"
# Qt's own start-up allocations are no finding of ours: see lsan.supp.
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/scripts/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
cd "$build"
ctest --output-on-failure -j 2 --timeout 900 "$@"
