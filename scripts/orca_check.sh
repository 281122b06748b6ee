#!/usr/bin/env bash
# Checks with the real screen reader that a failed calculation is spoken. Runs the program and
# Orca under Xvfb with the openbox window manager, in a session bus of their own with the
# accessibility bus, drives the program with xdotool into failures (an entry that is not a
# number, by mouse; a division by zero, by keyboard and then by mouse), and looks for each
# message among the speech-output lines of Orca's debug log. Prints those lines; exits with status 1 if a message was not spoken.
# Usage: scripts/orca_check.sh [log-file]    (default: build/orca-check.log)
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${ZUMORA_ORCA_INSIDE:-}" ]; then
    scripts/deps.sh xvfb openbox orca at-spi2-core dbus-x11 xdotool x11-utils
    program=${ZUMORA:-build/app/zumora}
    [ -x "$program" ] || { echo "build the program first: $program" >&2; exit 1; }
    export ZUMORA_ORCA_INSIDE=1 ZUMORA="$program"
    exec dbus-run-session -- "$0" "$@"
fi

log=$(realpath -m "${1:-build/orca-check.log}")
display=:${ORCA_DISPLAY:-92}
prefs=$(mktemp -d)
pids=()
cleanup() {
    # The last started goes first, so that nothing outlives the X server it draws on.
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
        wait "${pids[i]}" 2>/dev/null || true
    done
    rm -rf "$prefs"
}
trap cleanup EXIT

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp & pids+=($!)
export DISPLAY=$display
sleep 1
openbox & pids+=($!)
/usr/libexec/at-spi-bus-launcher --launch-immediately & pids+=($!)
sleep 1

rm -f "$log"
# Its own preferences directory: the user's Orca settings stay untouched and play no part.
orca --replace --user-prefs "$prefs" --debug-file "$log" >/dev/null 2>&1 &
orca=$!
pids+=($orca)
for _ in $(seq 1 50); do
    grep -q "SPEECH OUTPUT" "$log" 2>/dev/null && break
    sleep 0.2
done

QT_ACCESSIBILITY=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$ZUMORA" & pids+=($!)

# Clicks a point given in the design's pixels from the client area's top-left of the window,
# holding the button down a tenth of a second, as a hand does.
click() {
    local window=$1 x=$2 y=$3 left top
    left=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ {print $4}')
    top=$(xwininfo -id "$window" | awk '/Absolute upper-left Y/ {print $4}')
    xdotool mousemove $((left + x)) $((top + y)) mousedown 1 sleep 0.1 mouseup 1
    sleep 1
}

sleep 2
menu=$(xdotool search --sync --onlyvisible --class zumora | head -n 1)
click "$menu" 40 140  # Option3: volume and diameter to height
click "$menu" 104 272 # ノモク
note=$(xdotool search --sync --onlyvisible --name "ズモラ" | head -n 1)
xdotool type --delay 60 abc
xdotool key Tab
xdotool type --delay 60 1000
click "$note" 60 156 # 計算: the first entry is not a number
sleep 2
click "$note" 164 156 # クリヤ
click "$note" 140 61  # into Text1
xdotool type --delay 60 1000
xdotool key Tab
xdotool type --delay 60 0
xdotool key Tab Tab space # 計算 from the keyboard: a diameter of 0 divides by zero
sleep 2
click "$note" 60 156 # and again with the mouse: the same message must be spoken again
sleep 3

# Orca writes its log out in full only as it ends.
kill "$orca"
for _ in $(seq 1 50); do
    kill -0 "$orca" 2>/dev/null || break
    sleep 0.2
done

echo "Orca's speech output (from $log):"
grep -a "SPEECH OUTPUT" "$log" | sed 's/^/  /'
status=0
# Each message as often as the failure happened.
for expected in "1 「容積(L)」が数値ではありません" "2 0 で割ることになるため計算できません"; do
    count=${expected%% *} message=${expected#* }
    spoken=$(grep -a "SPEECH OUTPUT" "$log" | grep -cF "$message" || true)
    if [ "$spoken" -ge "$count" ]; then
        echo "spoken ${spoken}x: $message"
    else
        echo "NOT spoken ${count}x (only ${spoken}x): $message" >&2
        status=1
    fi
done
exit $status
