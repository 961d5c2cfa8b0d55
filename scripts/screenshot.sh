#!/usr/bin/env bash
# Pictures of the program for checking by eye (not run by CI): builds, prepares
# the demo data as run.sh does, and under a virtual X display renders the main
# window with an example document into demo/shots/:
#   conditions.png  the document on its conditions tab
#   result.png      after a run, on the result tab
#   list.png        after a run, on the horse-list tab
#   history.png     after a run of an example without keys (only those keep
#                   history rows), on the history tab
#   default-size.png         the conditions tab in a main window of the default size
#   default-size-result.png  after a run, the result tab at that size
# Usage: scripts/screenshot.sh [EXAMPLE.tqb [EXAMPLE_WITHOUT_KEYS.tqb]]
# (needs xvfb-run: apt-get install xvfb)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
source scripts/demo-env.sh
EXAMPLE="${1:-examples/keys-distance-turf.tqb}"
PLAIN_EXAMPLE="${2:-examples/tokyo-1400-1800.tqb}"
OUT="$DEMO/shots"
mkdir -p "$OUT"
"$BIN" --app-dir "$APP" prepare --yes > /dev/null
shot() {
  local name="$1" file="$2"
  shift 2
  xvfb-run -a -s "-screen 0 1600x1000x24" "$BIN" --app-dir "$APP" --open "$file" "$@" --screenshot "$OUT/$name.png"
  echo "wrote $OUT/$name.png"
}
shot conditions "$EXAMPLE" --tab conditions
shot result "$EXAMPLE" --run --tab result
shot list "$EXAMPLE" --run --tab list
shot history "$PLAIN_EXAMPLE" --run --tab history
shot default-size "$EXAMPLE" --size 640x480 --tab conditions
shot default-size-result "$EXAMPLE" --size 640x480 --run --tab result
