#!/usr/bin/env bash
# Set up, build, generate the demo race data when missing, and run the program's
# main job on it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
BIN=build/bin/DEVovuved
DEMO=demo
if [ ! -f "$DEMO/korven/korven_data.mdb" ]; then
  "$BIN" gen-data --out "$DEMO/korven"
fi
# The demo program directory holds the catalogue, the initial database and the
# deviation database; KORVEN.INI points at the demo race data.
APP="$DEMO/app"
mkdir -p "$APP" "$DEMO/out"
cp -f build/bin/DEVovuved.ini build/bin/DEVovuved_init.mdb "$DEMO/korven/VUDevuzI.mdb" "$APP/"
printf '[main]\r\nDBDir=%s\r\n' "$PWD/$DEMO/korven" > "$DEMO/KORVEN.INI"
export KORVEN_INI="$PWD/$DEMO/KORVEN.INI"
"$BIN" --version
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$BIN" --app-dir "$APP"
fi
# Without a display, the main job: analyse an example condition file (turf
# races by distance), print the result and write it, the horse list and the
# document as files into demo/out (CSV and .tqb in CP932 with CRLF).
"$BIN" --app-dir "$APP" analyze examples/keys-distance-turf.tqb \
  --csv "$DEMO/out/result.csv" --list "$DEMO/out/horses.csv" --save "$DEMO/out/keys-distance-turf.tqb"
