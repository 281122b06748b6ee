#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it from the build tree.
# Usage: scripts/run.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

say() { echo "run.sh: $*" >&2; }

say "checking the Debian packages needed to build and run (installs any that are missing)"
scripts/deps.sh
if [ ! -x "$build/app/zumora" ]; then
    say "building the program in $build/ (the first build takes a minute or two)"
else
    say "bringing the build in $build/ up to date"
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target zumora
say "starting $build/app/zumora"
exec "$build/app/zumora"
