#!/usr/bin/env bash
# Takes the screenshot that the AppStream data shows: the main window during a connection, on a
# scratch store that Netrova's own tools fill with a provider, a tariff and a short history.
# The program runs under Xvfb with openbox; its wall clock runs 20 times as fast (libfaketime),
# so that the connections last minutes and are priced as such.
# Usage: scripts/screenshot.sh [build-dir]   writes packaging/screenshots/main-window.png
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
out=$root/packaging/screenshots/main-window.png

if [ "${1:-}" != --on-display ]; then
  NETROVA_PACKAGE_SETS=test NETROVA_TARGETS="netrova netrova-reg netrova-dialup" \
    "$root/scripts/setup.sh" "$build"
  export NETROVA_BUILD=$build
  exec xvfb-run -a -s "-screen 0 1920x1080x24" "$0" --on-display
fi

build=$NETROVA_BUILD
scratch=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
export NETROVA_USER_STORE=$scratch/user.db NETROVA_MACHINE_STORE=$scratch/machine.db
export NETROVA_DIALUP=manual HOME=$scratch XDG_CONFIG_HOME=$scratch/config LC_ALL=C.UTF-8
reg() { "$build/tools/netrova-reg" set "$@" >/dev/null; }
dialup() { "$build/tools/netrova-dialup" "$@" >/dev/null; }

# The settings of a user who has started Netrova before (no welcome boxes, no logo, no tray), a
# counter started ten days ago, and a provider whose every day has the tariff "Evening":
# 4 cents a minute from 8 to 20 o'clock, 2 cents otherwise.
user='HKCU\Software\Netrova'
reg "$user" "User Name" str "$(id -un)"
for value in "Connect delay:30" "Minimize:0" "System tray:0" "Logo:0"; do
  reg "$user" "${value%:*}" int "${value#*:}"
done
reg "$user\\Beep" Enabled int 0
reg "$user\\Beep" Interval int 15
reg "$user\\Beep" Sound int 3
reg "$user\\Exec" Lines int 0
reg "$user\\Tariffs" Tariff int 1
counter='HKLM\Software\Netrova\Counter\All'
reg "$counter" Double int $(($(date +%s) / 86400 + 25569 - 10))
for value in Year:%Y Month:%-m Day:%-d; do
  reg "$counter" "${value%:*}" int "$(date -d '10 days ago' "+${value#*:}")"
done
reg 'HKLM\Software\Netrova' FirstTime int 0
tariff=(StartingInterval:8 EndingInterval:20 DayCost:4 NightCost:2)
for value in "${tariff[@]}" OCPD:0; do
  reg "$user\\Tariff Profile\\Evening" "${value%:*}" int "${value#*:}"
done
dialup add-entry "My ISP"
for day in 0 1 2 3 4 5 6 Holiday; do
  for value in "${tariff[@]}" OCPDay:0; do
    reg "$user\\Tariffs\\My ISP\\$day" "${value%:*}" int "${value#*:}"
  done
  reg "$user\\Tariffs\\My ISP\\$day" "Tariff Profile" str Evening
done

openbox >/dev/null 2>&1 &
pids+=($!)
# At twice the size, sharp on the screens of today.
QT_SCALE_FACTOR=2 LD_PRELOAD=/usr/lib/x86_64-linux-gnu/faketime/libfaketimeMT.so.1 FAKETIME="+0 x20" \
  "$build/src/app/netrova" >"$scratch/netrova.log" 2>&1 &
pids+=($!)
window=$(xdotool search --sync --onlyvisible --name '^Netrova' | head -n 1)

# Two finished connections of about 9 and 5 minutes, then one running for about 3 minutes.
for seconds in 27 15 9; do
  dialup dial "My ISP"
  sleep "$seconds"
  [ "$seconds" -eq 9 ] || { dialup hangup; sleep 2; }
done
mkdir -p "$(dirname "$out")"
import -window "$window" "$out"
echo "$out: $(identify -format '%wx%h' "$out")"
