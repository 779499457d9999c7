#!/usr/bin/env bash
# Runs clang-tidy (.clang-tidy's checks) over the C++ sources of src/ and tools/ with the build's
# compile_commands.json; any finding fails it.
# Which files: those changed since BASE (default origin/main), a changed header standing for the
# sources that include it. All of src/ and tools/ when BASE is no ref, when nothing changed (CI's
# fresh clone of main) or when .clang-tidy, cmake/ or a CMakeLists.txt changed.
# Usage: scripts/tidy.sh [BASE]   (NETROVA_BUILD: the build directory, default build/)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${NETROVA_BUILD:-$root/build}
base=${1:-origin/main}
cd "$root"
"$root/scripts/packages.sh" clang
# The sources must be configured and built (the moc's headers are generated).
[ -f "$build/compile_commands.json" ] || "$root/scripts/setup.sh" "$build"

all() { git ls-files 'src/*.cpp' 'tools/*.cpp'; }
files=()
if git rev-parse --verify -q "$base^{commit}" >/dev/null; then
  mapfile -t changed < <(git diff --name-only "$(git merge-base "$base" HEAD)" -- . |
                           grep -E '^(src|tools)/.*\.(cpp|h)$|(^|/)CMakeLists\.txt$|^cmake/|^\.clang-tidy$' ||
                           true)
  for f in "${changed[@]}"; do
    case $f in
      *.cpp) if [ -e "$f" ]; then files+=("$f"); fi ;;
      *.h) mapfile -t -O "${#files[@]}" files < <(
             git grep -l -E "#include \"([a-z]+/)?$(basename "$f")\"" -- 'src/*.cpp' 'tools/*.cpp' || true)
           if [ -e "${f%.h}.cpp" ]; then files+=("${f%.h}.cpp"); fi ;;
      *) changed=() ; break ;; # the build or the checks: everything
    esac
  done
  [ ${#changed[@]} -gt 0 ] || mapfile -t files < <(all)
else
  mapfile -t files < <(all)
fi
mapfile -t files < <(printf '%s\n' "${files[@]}" | sort -u | sed '/^$/d')
[ ${#files[@]} -gt 0 ] || { echo "tidy: no C++ source to check"; exit 0; }

echo "tidy: ${#files[@]} files"
began=$SECONDS
log=$(mktemp)
trap 'rm -f "$log"' EXIT
# GCC's options that clang does not know are no finding.
if ! printf '%s\0' "${files[@]}" |
    xargs -0 -n 4 -P "$(nproc)" clang-tidy -p "$build" --quiet --warnings-as-errors='*' \
      --extra-arg=-Wno-unknown-warning-option >"$log" 2>&1; then
  grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$|^Suppressed [0-9]+ warnings' "$log"
  echo "tidy: findings (after $((SECONDS - began)) s)"
  exit 1
fi
echo "tidy: clean after $((SECONDS - began)) s"
