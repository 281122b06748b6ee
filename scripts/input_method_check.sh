#!/usr/bin/env bash
# Types numbers into the program through a real Japanese input method, as a Japanese engineer
# would, and checks what lands in the entries and what the program computes from them.
#
# The session (scripts/input_method_session.sh): Xvfb, a session bus of its own, ibus-daemon
# with the mozc engine in hiragana mode, and the program with QT_IM_MODULE=ibus. Keys are typed
# with xdotool and each entry is confirmed with Return; the texts are read back through the
# clipboard. The session starts only what it needs, keeps its settings in a folder of its own,
# and ends everything it started, pass or fail.
# mozc refuses to run as root, so as root the session runs as an unprivileged user, created if
# needed (ZUMORA_IME_USER, default zumora-ime).
#
# Usage: scripts/input_method_check.sh [build-dir]        (default build-dir: build)
#   ZUMORA_IME_DISPLAY   X display number to use (default 73)
set -euo pipefail

cd "$(dirname "$0")/.."
[ -n "${ZUMORA_CONTAINED:-}" ] || exec scripts/contained.sh scripts/input_method_check.sh "$@"
build=${1:-build}
display=${ZUMORA_IME_DISPLAY:-73}

echo "input_method_check: installing what is missing and building the program"
scripts/deps.sh xvfb x11-utils xdotool xclip dbus-daemon dbus-bin ibus ibus-mozc
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target zumora >/dev/null

# The session's user must be able to read the program and the session's scripts wherever this
# checkout lies (a root's home is closed to others), so they go to a folder of their own.
work=$(mktemp -d /tmp/zumora-ime.XXXXXX)
trap 'rm -rf "$work"' EXIT
cp "$build/app/zumora" scripts/input_method_session.sh scripts/session_processes.sh "$work/"
chmod 755 "$work" "$work/zumora"
chmod 644 "$work/input_method_session.sh" "$work/session_processes.sh"

if [ "$(id -u)" -eq 0 ]; then
    user=${ZUMORA_IME_USER:-zumora-ime}
    if ! id "$user" >/dev/null 2>&1; then
        echo "input_method_check: creating the unprivileged user $user (mozc refuses root)"
        useradd --create-home --shell /bin/bash "$user"
    fi
    home=$(getent passwd "$user" | cut -d: -f6)
    runuser -u "$user" -- env -i HOME="$home" USER="$user" PATH=/usr/local/bin:/usr/bin:/bin \
        LANG=ja_JP.UTF-8 LC_CTYPE=C.UTF-8 bash "$work/input_method_session.sh" "$work/zumora" "$display"
else
    env -i HOME="$HOME" USER="$(id -un)" PATH=/usr/local/bin:/usr/bin:/bin LANG=ja_JP.UTF-8 \
        bash "$work/input_method_session.sh" "$work/zumora" "$display"
fi
