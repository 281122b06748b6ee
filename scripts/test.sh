#!/usr/bin/env bash
# Installs what is missing, configures, builds and runs every test.
# Usage: scripts/test.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

# Validators of the desktop entry and metainfo; dpkg-shlibdeps and file for the Debian package;
# Qt's Wayland plugin, whose failures to start tst_startup reports.
scripts/deps.sh desktop-file-utils appstream dpkg-dev file qt6-wayland
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure
