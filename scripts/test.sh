#!/usr/bin/env bash
# Set up, build with warnings as errors, and run every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh -DTQ_WERROR=ON
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
