#!/usr/bin/env bash
# Installs the Debian packages Netrova needs (when missing), then configures and builds it.
# Usage: scripts/setup.sh [build-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}

packages=(cmake g++ make pkg-config qt6-base-dev qt6-qpa-plugins libqt6test6 libsqlite3-dev libcanberra-dev
          fonts-dejavu-core xvfb xauth xdotool x11-utils imagemagick qt6-svg-dev qt6-charts-dev libxcb1-dev
          openbox trayer desktop-file-utils
          clang libclang-rt-14-dev llvm) # clang, its sanitizer and libFuzzer runtimes, llvm-symbolizer
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing Debian packages: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi

# CI treats warnings as errors; elsewhere the build directory keeps whatever it was given.
options=()
[ "${CI:-}" = "true" ] && options+=(-DNETROVA_WERROR=ON)
cmake -S "$root" -B "$build" "${options[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)"
