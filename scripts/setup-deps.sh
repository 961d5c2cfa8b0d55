#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the benchmarks and the GUI need.
# Safe to run repeatedly; skips apt entirely when everything is already present.
set -euo pipefail

PACKAGES=(
  qt6-base-dev libqt6opengl6-dev qt6-charts-dev
  qt6-translations-l10n fonts-noto-cjk xvfb xauth imagemagick x11-apps
  openbox x11-utils xdotool wmctrl
  mdbtools mdbtools-dev libsqlite3-dev sqlite3
  cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev python3 lld
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
