#!/bin/sh
# The demo through the real HID path: the unmodified program finds the demo gauge as
# /dev/hidraw0 through hidapi and libudev, faked by umockdev (no kernel module, no root).
# Expects a built tree (./setup.sh build); BUILD_DIR picks another one. Extra arguments go
# to the gauge: --config FILE.ini takes the demo's INI file (emulator/EmulatorBackend.h).
# While the window runs:  kill -USR1 <hidraw_gauge pid>  pulls the gauge out or plugs it
# back in,  kill -USR2 <pid>  pushes a measurement (the pid is printed at start).
set -eu
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
gauge=$build/tests/hidraw/hidraw_gauge
if [ ! -x "$gauge" ] || [ ! -x "$build/palvarin" ] || [ ! -x "$build/palvarin-cli" ]; then
  cmake --build "$build" -j"$(nproc)" --target hidraw_gauge palvarin palvarin-cli
fi
# A survey file of its own, so the demo's rows do not join the user's.
store=$(mktemp -d "${TMPDIR:-/tmp}/palvarin-hidraw-demo.XXXXXX")
trap 'rm -rf "$store"' EXIT
export PALVARIN_STORE="$store/surveys.sqlite"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: the gauge's records through /dev/hidraw0, read by palvarin-cli:" >&2
  "$gauge" "$@" -- "$build/palvarin-cli" list
  "$gauge" "$@" -- "$build/palvarin-cli" read -o -
  exit
fi
"$gauge" "$@" -- "$build/palvarin" &
pid=$!
echo "demo-hidraw: kill -USR1 $pid pulls the gauge out or plugs it back in; kill -USR2 $pid pushes" >&2
wait "$pid"
