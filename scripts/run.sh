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
"$BIN" --version
