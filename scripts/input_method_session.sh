#!/usr/bin/env bash
# The session of scripts/input_method_check.sh, run as an unprivileged user: Xvfb, a session
# bus, ibus with mozc in hiragana mode, the program, and the typing.
#
# The session is the check's own and holds only what it needs: the session bus can start
# nothing on demand (no desktop portal), ibus runs without its panel, its settings daemon, its
# emoji window and its XIM server, and every setting (ibus, mozc, GSettings) lives in a folder
# of the session's own, so that the user's own are neither read nor written. Everything the
# session starts is ended when it ends, pass or fail: the program, ibus with its engine and
# mozc's conversion server, the X server, the bus.
# Usage: input_method_session.sh <program> <display-number>
set -euo pipefail
program=$1
display=$2
here=$(dirname "$0")

# shellcheck source=scripts/session_processes.sh
source "$here/session_processes.sh"
runtime=$(mktemp -d)
finish() {
    local status=$?
    set +e
    trap - EXIT INT TERM
    session_end
    rm -rf "$runtime"
    exit "$status"
}
trap finish EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

chmod 700 "$runtime"
session_private_home "$runtime"
export GSETTINGS_BACKEND=memory DISPLAY=:$display
# ibus's helpers need no accessibility bus.
export NO_AT_BRIDGE=1

session_bus "$runtime/bus"

session_start Xvfb Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >"$runtime/xvfb.log" 2>&1
session_wait "Xvfb on $DISPLAY" xdpyinfo

# mozc starts in hiragana mode, as a Japanese user keeps it, rather than in direct input.
mkdir -p "$XDG_CONFIG_HOME/mozc"
cat >"$XDG_CONFIG_HOME/mozc/ibus_config.textproto" <<'EOF'
engines {
  name: "mozc-jp"
  longname: "Mozc"
  layout: "default"
  layout_variant: ""
  layout_option: ""
  rank: 80
}
active_on_launch: True
EOF

session_start ibus ibus-daemon --panel=disable --config=disable --emoji-extension=disable \
    >"$runtime/ibus.log" 2>&1
# Asking for the engine fails until ibus is up, and may say it failed when it did not.
# shellcheck disable=SC2016 # expanded by the inner shell
if ! session_wait "ibus with the mozc engine" sh -c 'ibus engine mozc-jp; [ "$(ibus engine)" = mozc-jp ]'; then
    tail -n 20 "$runtime/ibus.log" >&2
    exit 1
fi

QT_IM_MODULE=ibus session_start zumora "$program" >"$runtime/program.log" 2>&1

visible_window() {
    local id
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --classname zumora 2>/dev/null | tail -n 1 || true)
        [ -n "$id" ] && {
            echo "$id"
            return
        }
        sleep 0.1
    done
    echo "input_method_check: no window of the program is on screen" >&2
    exit 1
}

# Clicks a control of the visible window at the given point of its design, in pixels.
click_at() {
    local id x y
    id=$(visible_window)
    eval "$(xdotool getwindowgeometry --shell "$id")"
    x=$((X + $1))
    y=$((Y + $2))
    xdotool mousemove "$x" "$y" click 1
    sleep 0.3
}

# The text of the focused entry, through the clipboard.
copy_focused() {
    xdotool key ctrl+a ctrl+c
    sleep 0.3
    xclip -o -selection clipboard 2>/dev/null || true
}

code_points() {
    printf %s "$1" | iconv -f UTF-8 -t UTF-32LE | od -An -v -w4096 -tx4 | tr -s ' ' | sed 's/^ //;s/ $//' |
        sed 's/\b0*\([0-9a-f]\{4,\}\)/U+\U\1/g'
}

# MENU: the option of each kind (in design pixels, from the window's top-left) and the open
# button; NOTE: the two entries, the result box, calculate and back.
declare -A option_at=([1]="40 92" [2]="40 116" [3]="40 140" [5]="40 164" [4]="40 188" [6]="40 212")
open_at="104 272"
text1_at="144 61"
text2_at="144 101"
text3_at="144 212"
calculate_at="60 156"
back_at="176 256"

# Each key as the user presses it; Return confirms the composition. A text ending in "..." is
# left composing, to be committed by the next click.
type_entry() {
    xdotool type --delay 120 -- "${1%...}"
    sleep 0.3
    if [ "${1%...}" = "$1" ]; then
        xdotool key Return
        sleep 0.4
    fi
}

failures=0
check() {
    local kind=$1 keys1=$2 keys2=$3 want1=$4 want2=$5 want_result=$6
    # shellcheck disable=SC2086
    click_at ${option_at[$kind]}
    # shellcheck disable=SC2086
    click_at $open_at
    # shellcheck disable=SC2086
    click_at $text1_at
    type_entry "$keys1"
    # shellcheck disable=SC2086
    click_at $text2_at
    type_entry "$keys2"
    # shellcheck disable=SC2086
    click_at $calculate_at
    local landed1 landed2 result
    # shellcheck disable=SC2086
    click_at $text1_at
    landed1=$(copy_focused)
    # shellcheck disable=SC2086
    click_at $text2_at
    landed2=$(copy_focused)
    # shellcheck disable=SC2086
    click_at $text3_at
    result=$(copy_focused)
    local verdict=ok
    [ "$landed1" = "$want1" ] && [ "$landed2" = "$want2" ] && [ "$result" = "$want_result" ] ||
        verdict=FAILED
    printf 'kind %s  keys %-9s -> %s (%s)\n' "$kind" "$keys1" "$landed1" "$(code_points "$landed1")"
    printf '        keys %-9s -> %s (%s)\n' "$keys2" "$landed2" "$(code_points "$landed2")"
    printf '        result %s (expected %s)  %s\n' "$result" "$want_result" "$verdict"
    [ "$verdict" = ok ] || failures=$((failures + 1))
    # shellcheck disable=SC2086
    click_at $back_at
}

rows=(
    # kind keys   keys      lands in Text1  lands in Text2  result
    "2    100    1.5       １００          １．５          37.61"
    "2    -100   -1.5      −１００         −１．５         37.61"
    "4    1,000  1000      １，０００      １０００        1000."
    "6    .5     1000      。５            １０００        .5"
    "6    -.5    1000      ー。５          １０００        -.5"
    # Pressing 計算 with the second entry still composing commits it first.
    "2    -100   -1.5...   −１００         −１．５         37.61"
)
for row in "${rows[@]}"; do
    # shellcheck disable=SC2086
    check $row
done

echo "input_method_check: $failures of ${#rows[@]} rows failed"
echo "processes of the session, before they are ended:"
session_processes | sed 's/^/  /'
[ "$failures" -eq 0 ]
