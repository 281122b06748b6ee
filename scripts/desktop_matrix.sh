#!/usr/bin/env bash
# Runs the program under each X11 window manager of Debian 12, and under none, on its own Xvfb
# display and session bus, and checks that both windows are centred by their outer frame, that
# a menu window the user moved stays where it was put across a trip to the notebook and back,
# that the menu window's title is empty, and that closing either window ends the program with
# status 0. On two monitors (openbox), the menu window must open on the monitor that holds the
# pointer and the notebook on the monitor where the user left the menu. Installs what it needs.
# Usage: scripts/desktop_matrix.sh [--program PATH] [--starts N] [--display :N] [--load]
#                                  [case ...]
#   cases: openbox xfwm4 metacity mutter kwin_x11 icewm fluxbox twm none (one monitor each)
#          two-monitors (1280x1024 left of 1920x1080) two-monitors-stacked (1920x1080 above
#          1280x1024)
#          gnome-wayland kde-wayland (Wayland sessions with Xwayland: scripts/wayland_session.sh)
#          default all
#   --load  keeps both processor cores busy (stress-ng) throughout
# Every desktop is sealed off from the machine's: a session bus that can start no service, and
# a home and runtime folder of its own. Everything it starts ends with it, pass, fail or ^C.
set -euo pipefail
self=$(realpath "$0")
cd "$(dirname "$0")/.."
[ -n "${ZUMORA_CONTAINED:-}" ] || exec scripts/contained.sh "$self" "$@"

program=build/app/zumora
starts=10
display_number=111
load=false
cases=()
while [ $# -gt 0 ]; do
    case $1 in
    --program) program=$2; shift 2 ;;
    --starts) starts=$2; shift 2 ;;
    --display) display_number=${2#:}; shift 2 ;;
    --load) load=true; shift ;;
    -h | --help) sed -n '2,/^[^#]/{/^#/p}' "$0"; exit 0 ;;
    *) cases+=("$1"); shift ;;
    esac
done
[ ${#cases[@]} -gt 0 ] ||
    cases=(openbox xfwm4 metacity mutter kwin_x11 icewm fluxbox twm none two-monitors
        two-monitors-stacked gnome-wayland kde-wayland)
[ -x "$program" ] || { echo "no program at $program (build it first)" >&2; exit 2; }
program=$(realpath "$program")

scripts/deps.sh xvfb x11-utils x11-xserver-utils dbus python3-xlib stress-ng procps openbox \
    xfwm4 metacity mutter kwin-x11 kwin-style-breeze icewm fluxbox twm

runtime=$(mktemp -d)
# shellcheck source=scripts/session_processes.sh
source scripts/session_processes.sh
# Nothing of the caller's desktop session reaches the desktops started here.
session_private_home "$runtime"
# A session bus that starts nothing on demand, so that neither a window manager nor the
# program can bring up portals, settings daemons, the accessibility bus or anything else the
# check does not need.
session_bus_config "$runtime/bus"

# What this run started and still runs, last started first: the current check, a window
# manager, a session bus, an X server.
started=()
load_pid=
stop_started() {
    local i
    for ((i = ${#started[@]} - 1; i >= 0; i--)); do
        session_end_process "${started[i]}" "$(ps -o comm= -p "${started[i]}" 2>/dev/null)"
    done
    started=()
}
finish() {
    local status=$?
    trap - EXIT INT TERM
    stop_started
    [ -z "$load_pid" ] || session_end_process "$load_pid" stress-ng
    # Inside its own PID namespace, under the namespace's first process, the run sees everything
    # it started: after the teardown, nothing but that process and the run itself may be left.
    if [ -n "${ZUMORA_CONTAINED:-}" ] && [ $PPID -eq 1 ]; then
        ps -e -o pid=,stat=,args= >"$runtime/ps"
        if awk -v self=$$ '$1 != self && $1 != 1 && $2 !~ /^Z/ && $3 != "ps" { found = 1; print }
                END { exit !found }' "$runtime/ps" >"$runtime/left"; then
            echo "left running after the teardown:"
            cat "$runtime/left"
            [ $status -ne 0 ] || status=1
        fi
    fi
    rm -rf "$runtime"
    exit $status
}
trap finish EXIT
trap 'echo "interrupted"; exit 130' INT
trap 'echo "terminated"; exit 143' TERM

# A check runs in the background and is waited for, so that an interruption is handled at
# once and the check is ended in order with the rest.
check() {
    "$@" &
    started+=($!)
    local status=0
    wait $! || status=$?
    unset 'started[-1]'
    return $status
}

# Xvfb has no GPU: the compositors of xfwm4 and kwin_x11 would draw through llvmpipe on the
# processor, and kwin's, on a busy machine, now and then lost the move of the program's first
# window a moment after it started.
command_of() {
    case $1 in
    mutter) echo "mutter --x11 --sm-disable" ;;
    xfwm4) echo "xfwm4 --compositor=off --sm-client-disable" ;;
    kwin_x11) echo "env KWIN_COMPOSE=N kwin_x11" ;;
    icewm) echo "icewm -c /dev/null" ;;
    two-monitors*) echo openbox ;;
    *) echo "$1" ;;
    esac
}

# The screen, then each monitor as NAME:WxH+X+Y.
monitors_of() {
    case $1 in
    two-monitors) echo "3200x1080 L:1280x1024+0+0 R:1920x1080+1280+0" ;;
    two-monitors-stacked) echo "1920x2104 T:1920x1080+0+0 B:1280x1024+320+1080" ;;
    *) echo "1920x1080" ;;
    esac
}

# Splits the screen into monitors, as a desk with several would be: the server's one output
# goes to the first monitor, the others have none. Each monitor is given as NAME:WxH+X+Y.
set_monitors() {
    local output monitor name geometry size width height
    output=$(xrandr | awk '$2 == "connected" { print $1; exit }')
    for monitor in "$@"; do
        name=${monitor%%:*} geometry=${monitor#*:}
        size=${geometry%%+*} width=${size%x*} height=${size#*x}
        # At 96 dots per inch.
        xrandr --setmonitor "$name" \
            "$width/$((width * 254 / 960))x$height/$((height * 254 / 960))${geometry#"$size"}" \
            "${output:-none}" >/dev/null
        output=none
    done
    xrandr --listmonitors | sed 's/^/   /'
}

start_x() {
    local layout=($1) i
    # A server ended by force leaves its lock behind, naming a process of another namespace.
    if [ -e "/tmp/.X$display_number-lock" ] && ! xdpyinfo >/dev/null 2>&1; then
        rm -f "/tmp/.X$display_number-lock" "/tmp/.X11-unix/X$display_number"
    fi
    Xvfb "$DISPLAY" -screen 0 "${layout[0]}x24" -nolisten tcp -noreset >/dev/null 2>&1 &
    started+=($!)
    for i in $(seq 200); do
        xdpyinfo >/dev/null 2>&1 && break
        [ "$i" -lt 200 ] || return 1
        sleep 0.05
    done
    [ ${#layout[@]} -eq 1 ] || set_monitors "${layout[@]:1}"
}

if $load; then
    stress-ng --cpu 2 --quiet &
    load_pid=$!
    echo "load: stress-ng --cpu 2 (pid $load_pid)"
fi

failed=0
for case in "${cases[@]}"; do
    case $case in
    gnome-wayland | kde-wayland)
        # A compositor session with Xwayland, set up and ended by a script of its own.
        check scripts/wayland_session.sh --program "$program" --starts "$starts" \
            "${case%-wayland}" || failed=1
        continue
        ;;
    esac
    export DISPLAY=:$display_number
    echo "== $case"
    if ! start_x "$(monitors_of "$case")"; then
        echo "== $case: no X server on $DISPLAY"
        failed=1
        stop_started
        continue
    fi
    bus=$(dbus-daemon --config-file="$runtime/bus/bus.conf" --fork --print-address=1 \
        --print-pid=1)
    export DBUS_SESSION_BUS_ADDRESS=${bus%%$'\n'*}
    started+=("${bus##*$'\n'}")
    no_wm=()
    if [ "$case" = none ]; then
        no_wm=(--no-wm)
    else
        # The window managers are Qt, GTK and plain X11 programs of their own; none must pick
        # up settings meant for the program under test, nor the machine's GNOME settings.
        GSETTINGS_BACKEND=memory $(command_of "$case") >"$runtime/wm.log" 2>&1 &
        started+=($!)
        ewmh=(--ewmh)
        [ "$case" = twm ] && ewmh=()
        if ! check /usr/bin/python3 scripts/desktop_check.py wait-wm "${ewmh[@]}"; then
            echo "== $case: the window manager did not start:"
            tail -5 "$runtime/wm.log"
            failed=1
            stop_started
            continue
        fi
    fi
    case $case in
    two-monitors*)
        QT_QPA_PLATFORM=xcb check timeout 300 /usr/bin/python3 scripts/desktop_check.py \
            monitors "$program" || failed=1
        ;;
    *)
        for n in $(seq "$starts"); do
            QT_QPA_PLATFORM=xcb check timeout 60 /usr/bin/python3 scripts/desktop_check.py run \
                "$program" "$n" "${no_wm[@]}" || failed=1
        done
        ;;
    esac
    stop_started
done
if [ $failed -eq 0 ]; then
    echo "desktop matrix: all passed"
else
    echo "desktop matrix: FAILED"
fi
exit $failed
