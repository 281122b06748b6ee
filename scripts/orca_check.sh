#!/usr/bin/env bash
# Checks with the real screen reader that a failed calculation is spoken, that the numbers in
# the boxes are heard whole, and that a result is heard once. Runs the program and Orca under
# Xvfb with the openbox window manager, drives the program with xdotool into failures (an entry
# that is not a number, by mouse; a division by zero, by keyboard and then by mouse) and into
# boxes that hold numbers, and looks for each message and each box's text among the
# speech-output lines of Orca's debug log. Prints those lines; exits with status 1 if a line was
# not spoken, or was spoken where it must not be.
#
# The session is the check's own and holds only what it needs: a session bus that can start
# nothing on demand, the accessibility bus, and a speech server with a configuration of its own
# whose one voice is silent, so that no synthesizer, sound device or sound server plays a part.
# The user's and root's own settings (speech, Orca, GSettings, sound) are neither read nor
# written. Everything the check starts is ended when it ends, pass or fail.
#
# Usage: scripts/orca_check.sh [log-file]    (default: build/orca-check.log)
#   ZUMORA         the program (default: build/app/zumora)
#   ORCA_DISPLAY   X display number to use (default 92)
set -euo pipefail
cd "$(dirname "$0")/.."
[ -n "${ZUMORA_CONTAINED:-}" ] || exec scripts/contained.sh scripts/orca_check.sh "$@"

scripts/deps.sh xvfb openbox orca at-spi2-core dbus-daemon dbus-bin xdotool x11-utils \
    speech-dispatcher
program=$(realpath -m "${ZUMORA:-build/app/zumora}")
[ -x "$program" ] || {
    echo "build the program first: $program" >&2
    exit 1
}
log=$(realpath -m "${1:-build/orca-check.log}")
display=:${ORCA_DISPLAY:-92}

# shellcheck source=scripts/session_processes.sh
source scripts/session_processes.sh
work=$(mktemp -d /tmp/zumora-orca.XXXXXX)
# shellcheck disable=SC2317 # run by the traps below
finish() {
    local status=$?
    set +e
    trap - EXIT INT TERM
    stop_orca
    session_end
    rm -rf "$work"
    exit "$status"
}
trap finish EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Orca writes its log out in full only as it ends, and it goes before the program, which would
# leave it waiting on calls to a program no longer there. It takes a signal only as an event
# wakes it: a Shift press, which the program ignores, does.
stop_orca() {
    local orca_pid
    orca_pid=$(session_pid orca) || return 0
    kill -TERM "$orca_pid" 2>/dev/null || true
    for _ in $(seq 50); do
        session_alive "$orca_pid" || break
        xdotool key shift 2>/dev/null || true
        sleep 0.2
    done
    session_stop orca
}

session_private_home "$work"
mkdir "$work/orca" "$work/speech"
export GSETTINGS_BACKEND=memory DISPLAY=$display

# Sound goes nowhere: ALSA knows only its null device, and no client may start a sound server.
cat >"$work/alsa.conf" <<'EOF'
pcm.null { type null }
pcm.!default { type null }
EOF
echo "autospawn = no" >"$work/pulse-client.conf"
export ALSA_CONFIG_PATH=$work/alsa.conf PULSE_CLIENTCONFIG=$work/pulse-client.conf

# The speech server's own configuration: one output, speech-dispatcher's generic module running
# a command that says nothing. What Orca says is in its log; the server only has to take it, at
# once, as a real one does. Orca reaches this server only; nothing may start another.
cat >"$work/speech/speechd.conf" <<EOF
LogLevel 3
AudioOutputMethod "alsa"
AudioALSADevice "null"
AddModule "silent" "sd_generic" "$work/speech/silent.conf"
DefaultModule silent
EOF
cat >"$work/speech/silent.conf" <<'EOF'
GenericExecuteSynth "true"
AddVoice "en" "MALE1" "silent"
EOF
speech_socket=$work/runtime/speech.sock
export SPEECHD_ADDRESS=unix_socket:$speech_socket SPEECHD_CMD=/bin/false

session_bus "$work/runtime/bus"
session_start Xvfb Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1
session_wait "Xvfb on $display" xdpyinfo
session_start openbox openbox
session_start "accessibility bus" /usr/libexec/at-spi-bus-launcher --launch-immediately \
    >"$work/accessibility-bus.log" 2>&1
session_wait "the accessibility bus" sh -c 'dbus-send --session --print-reply \
    --dest=org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner \
    string:org.a11y.Bus | grep -q "boolean true"'

session_start "speech server" speech-dispatcher --run-single --timeout 0 \
    --config-dir "$work/speech" --log-dir "$work/speech" --pid-file "$work/runtime/speech.pid" \
    --communication-method unix_socket --socket-path "$speech_socket" >"$work/speech/server.out" 2>&1
session_wait "the speech server" test -S "$speech_socket"
if ! timeout 10 spd-say --wait "ズモラ" >/dev/null 2>&1; then
    echo "orca_check: the speech server does not speak; its log:" >&2
    tail -n 20 "$work/speech/server.out" >&2 || true
    exit 1
fi
echo "speech server: the check's own, with a silent voice, taking speech"

rm -f "$log"
mkdir -p "$(dirname "$log")"
# Its own preferences directory: the user's Orca settings stay untouched and play no part. No
# --replace: that would kill every other Orca of the user, a screen reader in use among them.
session_start orca orca --user-prefs "$work/orca" --debug-file "$log" >"$work/orca.out" 2>&1
orca_pid=$(session_pid orca)
for _ in $(seq 50); do
    grep -q "SPEECH OUTPUT" "$log" 2>/dev/null && break
    session_alive "$orca_pid" || break
    sleep 0.2
done
if ! session_alive "$orca_pid"; then
    echo "orca_check: Orca did not start:" >&2
    sed 's/^/  /' "$work/orca.out" >&2
    exit 1
fi

QT_ACCESSIBILITY=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 session_start zumora "$program" \
    >"$work/program.out" 2>&1

# Orca follows the program a little behind, more so on a busy machine. Each step waits until it
# has caught up, as a user listening to it does: until its processor time has stood still for
# half a second (at most ten seconds).
orca_ticks() {
    awk '{ sub(/.*\) /, ""); print $12 + $13 }' "/proc/$orca_pid/stat" 2>/dev/null || true
}
settle() {
    local last now still=0
    last=$(orca_ticks)
    for _ in $(seq 40); do
        sleep 0.25
        now=$(orca_ticks)
        if [ "$now" = "$last" ]; then
            still=$((still + 1))
            [ "$still" -lt 2 ] || return 0
        else
            still=0
        fi
        last=$now
    done
}
press() {
    settle
    xdotool "$@"
}

# Clicks a point given in the design's pixels from the client area's top-left of the window,
# holding the button down at least a tenth of a second, as a hand does, and until Orca has
# caught up with the press: a button takes the focus as it is pressed, and a failure gives it
# back to the box as the button is released. Orca, were it still behind, would see the two
# moves together and say nothing.
click() {
    local window=$1 x=$2 y=$3 left top
    settle
    left=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ {print $4}')
    top=$(xwininfo -id "$window" | awk '/Absolute upper-left Y/ {print $4}')
    xdotool mousemove $((left + x)) $((top + y)) mousedown 1 sleep 0.1
    settle
    xdotool mouseup 1
    sleep 1
}

sleep 2
menu=$(xdotool search --sync --onlyvisible --class zumora | head -n 1)
click "$menu" 40 140  # Option3: volume and diameter to height
click "$menu" 104 272 # ノモク
note=$(xdotool search --sync --onlyvisible --name "ズモラ" | head -n 1)
press type --delay 60 abc
press key Tab
press type --delay 60 1000
click "$note" 60 156 # 計算: the first entry is not a number
sleep 2
click "$note" 164 156 # クリヤ
click "$note" 140 61  # into Text1
press type --delay 60 1000
press key Tab
press type --delay 60 0
# 計算 from the keyboard, a key at a time as Orca speaks each: a diameter of 0 divides by zero
for key in Tab Tab space; do press key "$key"; done
sleep 2
click "$note" 60 156 # and again with the mouse: the same message must be spoken again
sleep 3
# Numbers are heard whole as the focus comes to a box: by Tab, which selects the box's text,
# and by the mouse, which does not; a result drawn whole and one drawn cut.
click "$note" 140 101 # into Text2
press key ctrl+a
press type --delay 60 1000
for key in Tab Tab space; do press key "$key"; done # 計算: 1273.24
sleep 2
for _ in 1 2 3; do # back into Text3, Text2 and Text1
    press key shift+Tab
    sleep 1
done
click "$note" 176 256 # MENU
click "$menu" 40 92   # Option1: velocity from flow and diameter
click "$menu" 104 272 # ノモク
press type --delay 60 100
press key Tab
press type --delay 60 0.001
for key in Tab Tab space; do press key "$key"; done # 計算: 2122066349.38, drawn cut
sleep 2
click "$note" 140 212 # Text3
# The pointer leaves the box, so that the cut result's tooltip does not show: what follows is
# the keyboard's.
xdotool mousemove 1 1
press key shift+Tab # Text2
sleep 1
press key Tab # Text3
sleep 1
settle

echo "processes of the check, before they are ended:"
session_processes | sed 's/^/  /'
stop_orca
session_stop zumora

echo "Orca's speech output (from $log):"
grep -a "SPEECH OUTPUT" "$log" | sed 's/^/  /'
spoken() {
    grep -a "SPEECH OUTPUT" "$log" | grep -cF "$1" || true
}
status=0
# Each message as often as the failure happened; each box's text whole, as the line Orca
# speaks when the focus comes to the box. The cut result is heard whole twice: as the click puts
# the caret into the box (bare, or with its caption, as Orca's timing has it), and as Tab brings
# the focus back to it with its text selected.
for expected in "1 「容積(L)」が数値ではありません" "2 0 で割ることになるため計算できません" \
    "1 'abc selected.'" "1 '1273.24 selected.'" "2 '1000 selected.'" \
    "1 '0.001 selected.'" "1 '2122066349.38 selected.'" "2 '2122066349.38"; do
    count=${expected%% *} message=${expected#* }
    heard=$(spoken "$message")
    if [ "$heard" -ge "$count" ]; then
        echo "spoken ${heard}x: $message"
    else
        echo "NOT spoken ${count}x (only ${heard}x): $message" >&2
        status=1
    fi
done
# A box is heard once as Tab brings the focus to it: its caption, then its number with the
# selection Tab makes, and neither the number with "selected" on its own just before (a selection
# told before the focus) nor the number again just after (a description that repeats it).
said=$(grep -a "SPEECH OUTPUT" "$log" | sed -E "s/.*SPEECH OUTPUT: '(.*)' ?[{].*/\1/")
arrivals=$(awk '
    { line[NR] = $0 }
    END {
        for (i = 1; i < NR; i++) {
            if (line[i] !~ / text\.$/ || line[i + 1] !~ / selected\.$/)
                continue
            value = substr(line[i + 1], 1, length(line[i + 1]) - length(" selected."))
            twice = (i > 2 && line[i - 1] == "selected" && line[i - 2] == value) ||
                line[i + 2] == value "."
            print (twice ? "twice" : "once") "\t" line[i - 2] "\t" line[i - 1] "\t" line[i] \
                "\t" line[i + 1] "\t" line[i + 2]
        }
    }' <<<"$said")
while IFS=$'\t' read -r heard two_before before caption selected after; do
    [ -n "$heard" ] || continue
    if [ "$heard" = once ]; then
        echo "heard once as Tab brings the focus to the box: '$caption', '$selected'"
    else
        echo "NOT heard once as Tab brings the focus to the box:" \
            "'$two_before', '$before', '$caption', '$selected', '$after'" >&2
        status=1
    fi
done <<<"$arrivals"
for result in 1273.24 2122066349.38; do
    if ! grep -q "	$result selected\.	" <<<"$arrivals"; then
        echo "NOT heard as Tab brings the focus to the result box: '$result selected.'" >&2
        status=1
    fi
done
# No box is ever heard one character short.
if short=$(grep -a "SPEECH OUTPUT" "$log" |
    grep -E "'(ab|100|1273\.2|0\.00|2122066349\.3)( selected)?\.?'"); then
    echo "heard one character short:" >&2
    echo "$short" >&2
    status=1
fi
if [ "$status" -ne 0 ]; then
    echo "the end of the program's own output:" >&2
    tail -n 15 "$work/program.out" | sed 's/^/  /' >&2
    echo "the end of Orca's own output:" >&2
    tail -n 15 "$work/orca.out" | sed 's/^/  /' >&2
fi
exit $status
