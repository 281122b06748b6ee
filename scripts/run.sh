#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it.
# Usage: scripts/run.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

scripts/deps.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target zumora
exec "$build/app/zumora"
