#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running need, if any are missing.
# Usage: scripts/deps.sh [extra-package ...]
set -euo pipefail

packages=(
    # build
    cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev libxcb1-dev libbenchmark-dev
    # the menu window's empty title on Wayland goes through Qt's platform interface
    qt6-base-private-dev libwayland-dev
    # the Japanese proportional gothic the windows are designed around
    fonts-ipafont-gothic
    "$@"
)

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
    [ "$status" = installed ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "Installing: ${missing[*]}"
# Another installation may be running (a desktop's updates, a parallel check): wait for it.
lock=(-o DPkg::Lock::Timeout=900)
"${sudo[@]}" apt-get "${lock[@]}" update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get "${lock[@]}" install -y -qq \
    --no-install-recommends "${missing[@]}"
