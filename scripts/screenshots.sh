#!/usr/bin/env bash
# Takes screenshots of the whole screen, as a person sees it, under Xvfb with the openbox window
# manager: the menu window; the notebook after one calculation (kind 3, 1000 and 1000), after a
# result too wide for the designed 12 pt (kind 4, 1000 and 300), after one too wide even for the
# smallest size, drawn cut (kind 1, 100 and 0.001); and a failure message.
# Usage: scripts/screenshots.sh [out-dir] [scale]    (scale: Qt's scale factor, e.g. 2)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/screenshots}
scale=${2:-1}
program=${ZUMORA:-build/app/zumora}
display=:${SCREENSHOT_DISPLAY:-91}
suffix=""
[ "$scale" = 1 ] || suffix="-x$scale"

scripts/deps.sh xvfb openbox imagemagick xdotool x11-utils
[ -x "$program" ] || { echo "build the program first: $program" >&2; exit 1; }
mkdir -p "$out"

Xvfb "$display" -screen 0 "$(( 1024 * ${scale%.*} ))x$(( 768 * ${scale%.*} ))x24" -nolisten tcp &
xvfb=$!
trap 'kill $wm $xvfb 2>/dev/null || true; kill $app 2>/dev/null || true' EXIT
export DISPLAY=$display
sleep 1
openbox & wm=$!
sleep 1
QT_SCALE_FACTOR=$scale "$program" & app=$!

# Clicks a point given in the design's pixels from the client area's top-left of the window.
click() {
    local window=$1 x=$2 y=$3 left top
    # xwininfo gives the client area's place on the screen, frame excluded.
    left=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ {print $4}')
    top=$(xwininfo -id "$window" | awk '/Absolute upper-left Y/ {print $4}')
    xdotool mousemove "$(awk "BEGIN{print int($left + $x * $scale)}")" \
        "$(awk "BEGIN{print int($top + $y * $scale)}")" click 1
    sleep 0.4
}
visible_window() { xdotool search --sync --onlyvisible --name "$1" | head -n 1; }

# From the menu: selects the option at the given height, opens the notebook, types both entries
# and presses 計算.
calculate() {
    local option_y=$1 first=$2 second=$3
    click "$menu" 40 "$option_y"
    click "$menu" 104 272    # ノモク
    note=$(visible_window "ズモラ")
    xdotool type --delay 40 "$first"; xdotool key Tab; xdotool type --delay 40 "$second"
    click "$note" 60 156     # 計算
}

sleep 2
menu=$(xdotool search --sync --onlyvisible --class zumora | head -n 1)
import -window root "$out/menu$suffix.png"
calculate 140 1000 1000     # Option3, inside Frame1: 1273.24
import -window root "$out/note$suffix.png"
click "$note" 176 256       # MENU
calculate 188 1000 300      # Option4: 11111.11
import -window root "$out/note-long$suffix.png"
click "$note" 176 256
calculate 92 100 0.001      # Option1: 2122066349.38
import -window root "$out/note-cut$suffix.png"
click "$note" 164 156       # クリヤ
click "$note" 140 61        # into Text1
xdotool type --delay 40 abc; xdotool key Tab; xdotool type --delay 40 1000
click "$note" 60 156
import -window root "$out/note-failure$suffix.png"
echo "screenshots in $out"
