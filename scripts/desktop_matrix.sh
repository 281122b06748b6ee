#!/usr/bin/env bash
# Runs the program under each X11 window manager of Debian 12, and under none, on its own Xvfb
# display and session bus, and checks that both windows are centred by their outer frame, that
# a menu window the user moved stays where it was put across a trip to the notebook and back,
# that the menu window's title is empty, and that closing either window ends the program with
# status 0. Installs what it needs.
# Usage: scripts/desktop_matrix.sh [--program PATH] [--starts N] [--display :N] [--load]
#                                  [window-manager ...]
#   window managers: openbox xfwm4 metacity mutter kwin_x11 icewm fluxbox twm none (default all)
#   Wayland sessions: gnome-wayland kde-wayland (default both; scripts/wayland_session.sh)
#   --load  keeps both processor cores busy (stress-ng) throughout
set -euo pipefail
cd "$(dirname "$0")/.."

program=build/app/zumora
starts=10
display_number=111
load=false
wms=()
while [ $# -gt 0 ]; do
    case $1 in
    --program) program=$2; shift 2 ;;
    --starts) starts=$2; shift 2 ;;
    --display) display_number=${2#:}; shift 2 ;;
    --load) load=true; shift ;;
    -h | --help) sed -n '2,11p' "$0"; exit 0 ;;
    *) wms+=("$1"); shift ;;
    esac
done
[ ${#wms[@]} -gt 0 ] || wms=(openbox xfwm4 metacity mutter kwin_x11 icewm fluxbox twm none
    gnome-wayland kde-wayland)
[ -x "$program" ] || { echo "no program at $program (build it first)" >&2; exit 2; }
program=$(realpath "$program")

scripts/deps.sh xvfb x11-utils dbus python3-xlib stress-ng openbox xfwm4 metacity mutter kwin-x11 \
    kwin-style-breeze icewm fluxbox twm

runtime=$(mktemp -d)
export XDG_RUNTIME_DIR=$runtime
load_pid=
started=()
stop_started() {
    local pid
    for pid in "${started[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${started[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    started=()
}
finish() {
    stop_started
    if [ -n "$load_pid" ]; then
        kill "$load_pid" 2>/dev/null || true
        wait "$load_pid" 2>/dev/null || true
    fi
    rm -rf "$runtime"
}
trap finish EXIT

command_of() {
    case $1 in
    mutter) echo "mutter --x11 --sm-disable" ;;
    xfwm4) echo "xfwm4 --compositor=off --sm-client-disable" ;;
    icewm) echo "icewm -c /dev/null" ;;
    *) echo "$1" ;;
    esac
}

if $load; then
    stress-ng --cpu 2 --quiet &
    load_pid=$!
    echo "load: stress-ng --cpu 2 (pid $load_pid)"
fi

failed=0
for wm in "${wms[@]}"; do
    case $wm in
    gnome-wayland | kde-wayland)
        # A compositor session with Xwayland, set up and ended by a script of its own.
        scripts/wayland_session.sh --program "$program" --starts "$starts" "${wm%-wayland}" ||
            failed=1
        continue
        ;;
    esac
    export DISPLAY=:$display_number
    Xvfb "$DISPLAY" -screen 0 1920x1080x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    started+=($!)
    for _ in $(seq 200); do
        xdpyinfo >/dev/null 2>&1 && break
        sleep 0.05
    done
    bus=$(dbus-daemon --session --fork --print-address=1 --print-pid=1)
    export DBUS_SESSION_BUS_ADDRESS=${bus%%$'\n'*}
    started+=("${bus##*$'\n'}")
    no_wm=()
    if [ "$wm" = none ]; then
        no_wm=(--no-wm)
    else
        # The window managers are Qt, GTK and plain X11 programs of their own; none must pick
        # up settings meant for the program under test.
        env -u QT_QPA_PLATFORM -u QT_SCALE_FACTOR $(command_of "$wm") >"$runtime/wm.log" 2>&1 &
        started+=($!)
        ewmh=(--ewmh)
        [ "$wm" = twm ] && ewmh=()
        if ! /usr/bin/python3 scripts/desktop_check.py wait-wm "${ewmh[@]}"; then
            echo "== $wm: did not start:"
            tail -5 "$runtime/wm.log"
            failed=1
            stop_started
            continue
        fi
    fi
    echo "== $wm"
    for n in $(seq "$starts"); do
        QT_QPA_PLATFORM=xcb timeout 60 /usr/bin/python3 scripts/desktop_check.py run "$program" "$n" \
            "${no_wm[@]}" || failed=1
    done
    stop_started
done
if [ $failed -eq 0 ]; then
    echo "desktop matrix: all passed"
else
    echo "desktop matrix: FAILED"
fi
exit $failed
