#!/usr/bin/env bash
# Installs the Debian packages Netrova needs (those missing), with sudo when not run as root.
# Always what building and running need; more by name of a set: test (the test suite's tools),
# clang (the sanitizer and fuzzing build, the formatting check and clang-tidy).
# Usage: scripts/packages.sh [test] [clang]
set -euo pipefail

# Building: compiler, CMake and the headers. Running: Qt with its X11 and Wayland platforms,
# SVG and Charts, SQLite, libcanberra and a font.
packages=(cmake g++ make pkg-config qt6-base-dev qt6-svg-dev qt6-charts-dev libsqlite3-dev
          libcanberra-dev libxcb1-dev libqt6test6
          libqt6gui6 libqt6widgets6 libqt6svg6 libqt6charts6 qt6-qpa-plugins qt6-wayland
          libsqlite3-0 libcanberra0 fonts-dejavu-core)
for set in "$@"; do
  case $set in
    # A virtual X display with a window manager and a tray, X tools, validators for the desktop
    # entry, the AppStream metadata and the manual pages, a private D-Bus with mock services,
    # a faked wall clock for daylight saving time, and ip for network namespaces of the tests' own.
    test) packages+=(xvfb xauth xdotool x11-utils imagemagick openbox trayer desktop-file-utils
                     appstream man-db python3-dbusmock dbus-daemon faketime iproute2) ;;
    # clang with its sanitizer and libFuzzer runtimes (of whichever version is Debian's default)
    # and llvm-symbolizer for the reports; clang-format and clang-tidy for CI's checks.
    clang) packages+=(clang libclang-rt-dev llvm clang-format clang-tidy) ;;
    *) echo "packages.sh: unknown package set \"$set\": test or clang" >&2; exit 2 ;;
  esac
done

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
