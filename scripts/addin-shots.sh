#!/usr/bin/env bash
# Pictures of the three add-in programs on the demo data, for checking by eye
# (not run by CI): builds, prepares the demo data as run.sh does, lets the
# add-ins register themselves, and under a virtual X display writes into
# demo/shots/:
#   addin-chart.png   REDivor on the result of examples/keys-distance-turf.tqb (keyed by 距離)
#   addin-viewer.png  DEZide on a past race with its payouts
#   addin-today.png   ZAVozivuzar with two demo favourites
# (needs xvfb-run: apt-get install xvfb)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
source scripts/demo-env.sh
OUT="$DEMO/shots"
mkdir -p "$OUT"
"$BIN" --app-dir "$APP" prepare --yes > /dev/null
for addin in REDivor DEZide ZAVozivuzar; do
  build/bin/$addin --app-dir "$APP" --register
done
x() { QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1600x1000x24" "$@"; }

"$BIN" --app-dir "$APP" analyze examples/keys-distance-turf.tqb --csv "$APP/REDivor.csv" > /dev/null
x build/bin/REDivor --app-dir "$APP" --png "$OUT/addin-chart.png" /F "$APP/REDivor.csv" /T "芝の距離別【距離】"
echo "wrote $OUT/addin-chart.png"

RACE=$("$BIN" --app-dir "$APP" sql "$APP/DEVovuved.mdb" \
  "SELECT TOP 1 レースキー FROM D番組データ WHERE 出走頭数 >= 14 ORDER BY レースキー DESC" | sed -n 3p | tr -d ' ')
printf '[DEZide]\r\nRACE_KEY=%s\r\n' "$RACE" > "$APP/DEZide.ini"
x build/bin/DEZide --app-dir "$APP" --png "$OUT/addin-viewer.png" > /dev/null
echo "wrote $OUT/addin-viewer.png (race $RACE)"

# Two favourites: 中山 1400-1800m, and every 1000-1200m race.
fav() {
  printf 'MODE, 0,,0\r\n%s\r\nK000,\r\nK002,\r\nK003,\r\nK008,\r\nK005,%s\r\nK006,,0,0,,\r\nK007,demo\r\n' "$2" "$1" |
    iconv -f UTF-8 -t CP932 > "$DEMO/out/$1.tqb"
  "$BIN" --app-dir "$APP" favourites add "$DEMO/out/$1.tqb" --name "$1" --group デモ --yes > /dev/null 2>&1
}
fav 中山1400-1800 $'J009,1400,1800\r\nJ004,0,0,0,0,0,1,0,0,0,0,0'
fav 短距離1000-1200 'J009,1000,1200'
x build/bin/ZAVozivuzar --app-dir "$APP" --by-favourite --png "$OUT/addin-today.png"
echo "wrote $OUT/addin-today.png"
