#!/usr/bin/env bash
# Runs one libFuzzer target of fuzz/ for a while (default 60 s) in the sanitizer build
# (build-sanitize/, made by scripts/sanitize.sh or here). New inputs go to
# build-sanitize/fuzz/work/TARGET; a finding is written to build-sanitize/fuzz/findings/ and
# makes the script fail. A finding worth keeping goes into fuzz/corpus/TARGET as a regression
# input.
# Usage: scripts/fuzz.sh TARGET [seconds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-sanitize
targets=$(cd "$root/fuzz" && ls -d corpus/*/ | sed 's|corpus/||; s|/$||' | tr '\n' ' ')
if [ $# -lt 1 ] || [ $# -gt 2 ] || [ ! -d "$root/fuzz/corpus/$1" ]; then
  echo "usage: scripts/fuzz.sh TARGET [seconds]   TARGET: $targets" >&2
  exit 2
fi
target=$1
seconds=${2:-60}
if [ ! -f "$build/CMakeCache.txt" ]; then
  "$root/scripts/packages.sh" clang
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DNETROVA_SANITIZE=ON >/dev/null
fi
# CI builds every target first and then runs two at once: NETROVA_FUZZ_PREBUILT=1.
[ "${NETROVA_FUZZ_PREBUILT:-}" = 1 ] || cmake --build "$build" -j "$(nproc)" --target "$target" >/dev/null
work=$build/fuzz/work/$target
findings=$build/fuzz/findings
mkdir -p "$work" "$findings"
ASAN_SYMBOLIZER_PATH=${ASAN_SYMBOLIZER_PATH:-$("$root/scripts/clang-runtime.sh")}
export ASAN_SYMBOLIZER_PATH
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# The seeds are read, never written: what libFuzzer finds goes to the work folder.
# An input that runs 10 s counts as a hang: a finding too.
exec "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
  -artifact_prefix="$findings/$target-" "$work" "$root/fuzz/corpus/$target"
