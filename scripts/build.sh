#!/usr/bin/env bash
# Installs the Debian packages (when missing), configures and builds into build/.
# Usage: scripts/build.sh [extra cmake -D options]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build build -j"$(nproc)"
