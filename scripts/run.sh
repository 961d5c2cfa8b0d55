#!/usr/bin/env bash
# Set up, build, generate the demo race data when missing, and run the program's
# main job on it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
source scripts/demo-env.sh
"$BIN" --version
EXAMPLE=examples/keys-distance-turf.tqb
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  # With a display: the program on the demo data with an example document open.
  exec "$BIN" --app-dir "$APP" --open "$EXAMPLE"
fi
# Without a display, the main job: analyse an example condition file (turf
# races by distance), print the result and write it, the horse list and the
# document as files into demo/out (CSV and .tqb in CP932 with CRLF).
"$BIN" --app-dir "$APP" analyze "$EXAMPLE" \
  --csv "$DEMO/out/result.csv" --list "$DEMO/out/horses.csv" --save "$DEMO/out/keys-distance-turf.tqb"
