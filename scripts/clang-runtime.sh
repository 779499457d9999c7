#!/usr/bin/env bash
# Checks that the installed clang, of whatever version, links sanitizer and libFuzzer programs,
# and prints the llvm-symbolizer that the reports need; says what is missing otherwise.
set -euo pipefail
version=$(clang++ --version | sed -n 's/.*clang version \([0-9]*\).*/\1/p')
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' \
  >"$probe/probe.cpp"
if ! clang++ -fsanitize=fuzzer,address,undefined "$probe/probe.cpp" -o "$probe/probe" 2>"$probe/log"; then
  echo "clang $version cannot link sanitizer and libFuzzer programs: install libclang-rt-$version-dev" >&2
  cat "$probe/log" >&2
  exit 1
fi
# Debian's llvm package links it into /usr/bin; else the one of clang's own version.
symbolizer=$(command -v llvm-symbolizer || compgen -G "/usr/lib/llvm-$version/bin/llvm-symbolizer" ||
             compgen -G "/usr/bin/llvm-symbolizer-*" | head -n 1 || true)
if [ -z "$symbolizer" ]; then
  echo "llvm-symbolizer not found: install llvm (or llvm-$version)" >&2
  exit 1
fi
echo "$symbolizer"
