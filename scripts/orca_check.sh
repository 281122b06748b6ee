#!/usr/bin/env bash
# Checks with the real screen reader that a failed calculation is spoken and that the numbers in
# the boxes are heard whole. Runs the program and Orca under Xvfb with the openbox window
# manager, in a session bus of their own with the accessibility bus, drives the program with
# xdotool into failures (an entry that is not a number, by mouse; a division by zero, by
# keyboard and then by mouse) and into boxes that hold numbers, and looks for each message and
# each box's text, whole, among the speech-output lines of Orca's debug log. Prints those lines;
# exits with status 1 if a line was not spoken.
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
# Numbers are heard whole as the focus comes to a box: by Tab, which selects the box's text,
# and by the mouse, which does not; a result drawn whole and one drawn cut.
click "$note" 140 101 # into Text2
xdotool key ctrl+a
xdotool type --delay 60 1000
xdotool key Tab Tab space # 計算: 1273.24
sleep 2
for _ in 1 2 3; do # back into Text3, Text2 and Text1
    xdotool key shift+Tab
    sleep 1
done
click "$note" 176 256 # MENU
click "$menu" 40 92   # Option1: velocity from flow and diameter
click "$menu" 104 272 # ノモク
xdotool type --delay 60 100
xdotool key Tab
xdotool type --delay 60 0.001
xdotool key Tab Tab space # 計算: 2122066349.38, drawn cut
sleep 2
click "$note" 140 212 # Text3
xdotool key shift+Tab # Text2
sleep 1
xdotool key Tab # Text3
sleep 2

# Orca writes its log out in full only as it ends.
kill "$orca"
for _ in $(seq 1 50); do
    kill -0 "$orca" 2>/dev/null || break
    sleep 0.2
done

echo "Orca's speech output (from $log):"
grep -a "SPEECH OUTPUT" "$log" | sed 's/^/  /'
status=0
# Each message as often as the failure happened; each box's text whole, as the line Orca
# speaks when the focus comes to the box. The cut result is heard bare twice: as the click puts
# the caret into the box, and as Tab selects its text.
for expected in "1 「容積(L)」が数値ではありません" "2 0 で割ることになるため計算できません" \
    "1 'abc selected.'" "1 '1273.24 selected.'" "2 '1000 selected.'" \
    "1 '0.001 selected.'" "1 '2122066349.38 selected.'" "2 '2122066349.38'"; do
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
