# Sourced by run.sh and screenshot.sh after the build: generates the demo race
# data when missing, fills the demo program directory (catalogue, initial
# database, deviation database) and points KORVEN.INI at the demo race data.
# Sets BIN, DEMO and APP and exports KORVEN_INI.
BIN=build/bin/DEVovuved
DEMO=demo
if [ ! -f "$DEMO/korven/korven_data.mdb" ]; then
  "$BIN" gen-data --out "$DEMO/korven"
fi
APP="$DEMO/app"
mkdir -p "$APP" "$DEMO/out"
cp -f build/bin/DEVovuved.ini build/bin/DEVovuved_init.mdb "$DEMO/korven/VUDevuzI.mdb" "$APP/"
printf '[main]\r\nDBDir=%s\r\n' "$PWD/$DEMO/korven" > "$DEMO/KORVEN.INI"
export KORVEN_INI="$PWD/$DEMO/KORVEN.INI"
