#!/usr/bin/env bash
# Builds Netrova and starts it. Without a display it runs on Qt's offscreen platform.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
NETROVA_TARGETS="netrova netrova-reg netrova-dialup netrova-history" "$root/scripts/setup.sh"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: Netrova runs on the offscreen platform (it counts and records, but shows no window)."
  export QT_QPA_PLATFORM=offscreen
fi
exec "$root/build/src/app/netrova" "$@"
