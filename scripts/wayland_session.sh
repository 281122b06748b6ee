#!/usr/bin/env bash
# Runs the program in a headless GNOME or KDE Wayland session, started as a user's session
# starts it (XDG_SESSION_TYPE=wayland, WAYLAND_DISPLAY and DISPLAY set, QT_QPA_PLATFORM unset),
# and checks through scripts/wayland_check.py that both windows are centred by their outer frame,
# that a menu window the user moved stays where it was put across a trip to the notebook and
# back, that the menu window's title is empty and that closing either window ends the program
# with status 0. Then starts it with QT_QPA_PLATFORM=wayland, and with wayland-egl, where the
# compositor places the windows, and reports where they went, the titles, and the exit status.
#
# GNOME: mutter --wayland --headless, which starts Xwayland itself; the user's hands are mutter's
# remote-desktop interface (a drag of the title bar; Alt+F7 where Qt draws the title bar itself;
# keys). KDE: kwin_wayland --virtual --xwayland; moves are made by a KWin script, and on native
# Wayland the buttons are pressed through the accessibility bus.
# Each session has its own session bus, a fresh XDG_RUNTIME_DIR (0700) and home, and, as root,
# a mount and network namespace of its own with its own /tmp: the X displays the compositor picks
# for Xwayland (:0, :1) then meet no other display on the machine. Installs what it needs.
# Usage: scripts/wayland_session.sh [--program PATH] [--starts N] gnome|kde
set -euo pipefail
cd "$(dirname "$0")/.."
[ -n "${ZUMORA_CONTAINED:-}" ] || exec scripts/contained.sh "$0" "$@"

program=build/app/zumora
starts=4
session=
while [ $# -gt 0 ]; do
    case $1 in
    --program) program=$2; shift 2 ;;
    --starts) starts=$2; shift 2 ;;
    gnome | kde) session=$1; shift ;;
    -h | --help) sed -n '2,/^[^#]/{/^#/p}' "$0"; exit 0 ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
    esac
done
[ -n "$session" ] || { echo "name the session: gnome or kde" >&2; exit 2; }
[ -x "$program" ] || { echo "no program at $program (build it first)" >&2; exit 2; }
program=$(realpath "$program")

if [ -z "${ZUMORA_WAYLAND_SESSION_PRIVATE:-}" ]; then
    common=(xwayland qt6-wayland dbus x11-utils python3-xlib python3-dbus)
    if [ "$session" = gnome ]; then
        scripts/deps.sh "${common[@]}" mutter dconf-gsettings-backend libglib2.0-bin
    else
        scripts/deps.sh "${common[@]}" kwin-wayland kwin-style-breeze at-spi2-core python3-pyatspi
    fi
    if [ "$(id -u)" -eq 0 ] && unshare --mount --net true 2>/dev/null; then
        export ZUMORA_WAYLAND_SESSION_PRIVATE=1
        exec unshare --mount --net --propagation private -- "$0" --program "$program" \
            --starts "$starts" "$session"
    fi
    echo "(no namespace of its own: the compositor picks Xwayland's display among the free ones)"
else
    # A /tmp of its own. The repository and the program may lie in the machine's /tmp (a fresh
    # clone, say): they are carried over. It is made on /mnt, which only this namespace sees so.
    mount -t tmpfs -o mode=1777 tmpfs /mnt
    for path in "$PWD" "$(dirname "$program")"; do
        case $path in
        /tmp/*)
            mkdir -p "/mnt${path#/tmp}"
            mount --bind "$path" "/mnt${path#/tmp}"
            ;;
        esac
    done
    mount --move /mnt /tmp
    mkdir -m 1777 /tmp/.X11-unix
fi

# shellcheck source=scripts/session_processes.sh
source scripts/session_processes.sh
runtime=$(mktemp -d)
compositor=
bus_pid=
accessibility=
finish() {
    local pid
    [ -z "$accessibility" ] || session_end_process "$accessibility" at-spi-bus-launcher
    [ -z "$compositor" ] || session_end_process "$compositor" "$session's compositor"
    if [ -n "$bus_pid" ]; then
        # What the bus started on demand (a portal, the accessibility bus) goes first.
        for pid in $(pgrep -P "$bus_pid" || true); do
            session_end_process "$pid" "a service of the session bus"
        done
        session_end_process "$bus_pid" "the session bus"
    fi
    rm -rf "$runtime"
}
trap finish EXIT
# Ended from outside, the session still ends what it started (once the check running in the
# foreground, itself under a time limit, has returned).
trap 'exit 143' TERM
trap 'exit 130' INT

# Nothing of the caller's desktop or settings reaches the session.
session_private_home "$runtime"
# A session bus that starts nothing on demand but what the session needs: GNOME's settings
# (dconf), where the keyboard's repeat is turned off below. No portal, no settings daemon, nothing
# else the machine has installed.
session_bus_config "$runtime/bus"
[ "$session" != gnome ] || cp /usr/share/dbus-1/services/ca.desrt.dconf.service "$runtime/bus/services/"
bus=$(dbus-daemon --config-file="$runtime/bus/bus.conf" --fork --print-address=1 --print-pid=1)
export DBUS_SESSION_BUS_ADDRESS=${bus%%$'\n'*}
bus_pid=${bus##*$'\n'}

log=$runtime/compositor.log
socket=zumora-w-$session
if [ "$session" = gnome ]; then
    # Qt repeats a key held longer than the session's delay; on a busy machine a key's release
    # can come that late.
    gsettings set org.gnome.desktop.peripherals.keyboard repeat false
    MUTTER_DEBUG=placement,window-state,geometry mutter --wayland --headless \
        --virtual-monitor 1920x1080 --wayland-display "$socket" >"$log" 2>&1 &
    compositor=$!
    export ZUMORA_MUTTER_LOG=$log XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_DESKTOP=gnome
else
    # The packaged kwin_wayland carries a file capability that a container may not grant; a copy
    # has none, and KWin's platform plugin still knows it by the end of its name.
    mkdir "$runtime/bin"
    cp /usr/bin/kwin_wayland "$runtime/bin/kwin_wayland"
    QT_LOGGING_RULES="kwin_scripting=true" "$runtime/bin/kwin_wayland" --virtual --width 1920 \
        --height 1080 --xwayland --socket "$socket" --no-lockscreen --no-global-shortcuts \
        --no-kactivities >"$log" 2>&1 &
    compositor=$!
    export ZUMORA_KWIN_LOG=$log XDG_CURRENT_DESKTOP=KDE XDG_SESSION_DESKTOP=KDE \
        KDE_FULL_SESSION=true KDE_SESSION_VERSION=5
fi

# The compositor starts Xwayland; its command line names the display and, for mutter, the
# authority file.
xwayland=
for _ in $(seq 300); do
    xwayland=$(pgrep -P "$compositor" -x Xwayland || true)
    [ -n "$xwayland" ] && break
    kill -0 "$compositor" 2>/dev/null || break
    sleep 0.1
done
if [ -z "$xwayland" ]; then
    echo "== $session (Wayland): the compositor did not start Xwayland:"
    tail -5 "$log"
    exit 1
fi
mapfile -d '' -t xwayland_args <"/proc/$xwayland/cmdline"
export DISPLAY=${xwayland_args[1]}
for ((i = 0; i < ${#xwayland_args[@]}; i++)); do
    [ "${xwayland_args[i]}" = -auth ] && export XAUTHORITY=${xwayland_args[i + 1]}
done
export WAYLAND_DISPLAY=$socket XDG_SESSION_TYPE=wayland
for _ in $(seq 300); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done
if ! xdpyinfo >/dev/null 2>&1; then
    echo "== $session (Wayland): Xwayland on $DISPLAY did not answer within 30 s"
    exit 1
fi
if [ "$session" = kde ]; then
    # It keeps "accessibility is on" in memory: no settings service is there to keep it.
    GSETTINGS_BACKEND=memory /usr/libexec/at-spi-bus-launcher --launch-immediately \
        >/dev/null 2>&1 &
    accessibility=$!
fi

echo "== $session (Wayland; Xwayland on $DISPLAY)"
failed=0
for n in $(seq "$starts"); do
    timeout 60 /usr/bin/python3 scripts/wayland_check.py "$session" "$program" "$n" || failed=1
done
for platform in wayland wayland-egl; do
    timeout 90 /usr/bin/python3 scripts/wayland_check.py "$session" "$program" "$platform" ||
        failed=1
done
if [ $failed -ne 0 ]; then
    echo "-- the compositor's log ends:"
    grep -v -e GEOMETRY -e '^  ' "$log" | tail -15
fi
exit $failed
