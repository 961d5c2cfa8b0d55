#!/usr/bin/env bash
# Runs a window test program on a display of its own with a window manager, as
# a user's desktop has one: Xvfb on the first free display from :90, openbox on
# it, the program on the xcb platform. Missing tools fail the test (CI installs
# them with scripts/setup-deps.sh); both servers are stopped at the end.
# Usage: run-under-window-manager.sh PROGRAM [ARGS...]
set -euo pipefail

for tool in Xvfb openbox xprop import; do
  if ! command -v "$tool" > /dev/null; then
    echo "missing $tool: run scripts/setup-deps.sh" >&2
    exit 1
  fi
done

display=""
for n in $(seq 90 140); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
    display=":$n"
    break
  fi
done
if [ -z "$display" ]; then
  echo "no free X display between :90 and :140" >&2
  exit 1
fi

pids=()
stop() {
  for pid in "${pids[@]}"; do
    kill "$pid" 2> /dev/null || true
  done
  for pid in "${pids[@]}"; do
    wait "$pid" 2> /dev/null || true
  done
}
trap stop EXIT

Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp > /dev/null 2>&1 &
pids+=($!)
export DISPLAY="$display"
for _ in $(seq 100); do
  xprop -root > /dev/null 2>&1 && break
  sleep 0.1
done
openbox > /dev/null 2>&1 &
pids+=($!)
# The window manager is up once it announces itself on the root window.
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q 'window id' && break
  sleep 0.1
done
if ! xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q 'window id'; then
  echo "openbox did not start on $display" >&2
  exit 1
fi

QT_QPA_PLATFORM=xcb "$@"
