#!/usr/bin/env bash
# Builds Netrova and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
NETROVA_PACKAGE_SETS=test "$root/scripts/setup.sh"
cd "$root/build"
ctest --output-on-failure -j 2 "$@"
