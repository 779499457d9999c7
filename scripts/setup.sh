#!/usr/bin/env bash
# Installs the Debian packages Netrova needs (when missing), then configures and builds it.
# NETROVA_PACKAGE_SETS names more packages to install (see packages.sh); NETROVA_TARGETS builds
# only those targets.
# Usage: scripts/setup.sh [build-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}

read -r -a sets <<<"${NETROVA_PACKAGE_SETS:-}"
"$root/scripts/packages.sh" "${sets[@]}"

# CI treats warnings as errors; elsewhere the build directory keeps whatever it was given.
options=()
[ "${CI:-}" = "true" ] && options+=(-DNETROVA_WERROR=ON)
cmake -S "$root" -B "$build" "${options[@]}" >/dev/null
read -r -a targets <<<"${NETROVA_TARGETS:-}"
[ ${#targets[@]} -eq 0 ] || targets=(--target "${targets[@]}")
cmake --build "$build" -j "$(nproc)" "${targets[@]}"
