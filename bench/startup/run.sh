#!/usr/bin/env bash
# Start-up benchmark: how long zumora takes, from process start, until its window is mapped and
# until it first paints, and how much memory it holds then, against the floor program (the same
# window and nothing else), on a Japanese desktop's font set. Runs everything under its own Xvfb,
# openbox and D-Bus session bus.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)
# Everything the benchmark starts ends with it: what the session bus starts on demand included.
[ -n "${ZUMORA_CONTAINED:-}" ] || exec "$repo/scripts/contained.sh" "${BASH_SOURCE[0]}" "$@"

usage() {
    cat <<EOF
Usage: bench/startup/run.sh [options]

Installs the fonts a Japanese desktop has (fonts-noto-cjk, fonts-vlgothic, fonts-ipafont), then
launches the floor and the program in turn (floor, program, floor, program, ...), each run in a
fresh process under the same X server, window manager, session bus, environment and fonts, and
prints how many fonts fontconfig knows, then the medians of time to map, time to first paint,
RSS and PSS at first paint, with the ratios to the floor. Exits with status 1 when a run failed
or the program misses a target (1.05x the floor in time and in memory).

  --build-dir DIR   build tree holding both programs (default: build)
  --floor PATH      floor program (default: DIR/bench/startup/floor/startup_floor)
  --program PATH    program to compare (default: DIR/app/zumora)
  --no-program      measure no program (only the floor and any --cmd)
  --cmd NAME=CMD    one more command to measure (words split on blanks); may be repeated
  --runs N          measured runs of each command (default: 21, at least 15)
  --settle-ms N     pause between two runs (default: 300)
  --timeout-ms N    give up on a run that has not painted after N ms (default: 30000)
  --priority P      scheduling of everything the benchmark starts (X server, window manager,
                    bus, commands): realtime (default; SCHED_RR, so other work on a shared
                    machine cannot get in the way), high (nice -15) or normal (as started)
  --display :N      X display for Xvfb (default: the first free one)
  --hide-family F   measure as if font family F were not installed (fontconfig rejects it);
                    may be repeated
  --raw FILE        also keep every run's figures in FILE (tab-separated)
  -h, --help        this text
EOF
}

args=("$@")
runs=21
build_dir=$repo/build
floor=
program=
no_program=0
extra=()
settle_ms=300
timeout_ms=30000
priority=realtime
display=
hidden=()
raw_out=
while [ $# -gt 0 ]; do
    case $1 in
    --build-dir) build_dir=$2; shift 2 ;;
    --floor) floor=$2; shift 2 ;;
    --program) program=$2; shift 2 ;;
    --no-program) no_program=1; shift ;;
    --cmd) extra+=("$2"); shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --settle-ms) settle_ms=$2; shift 2 ;;
    --timeout-ms) timeout_ms=$2; shift 2 ;;
    --priority) priority=$2; shift 2 ;;
    --display) display=$2; shift 2 ;;
    --hide-family) hidden+=("$2"); shift 2 ;;
    --raw) raw_out=$2; shift 2 ;;
    -h | --help) usage; exit 0 ;;
    *) echo "run.sh: unknown option $1" >&2; usage >&2; exit 64 ;;
    esac
done
case $runs in '' | *[!0-9]*) echo "run.sh: --runs needs a number" >&2; exit 64 ;; esac
if [ "$runs" -lt 15 ]; then
    echo "run.sh: --runs must be at least 15 for the medians to mean anything" >&2
    exit 64
fi
build_dir=$(cd "$build_dir" 2>/dev/null && pwd) || { echo "run.sh: no build dir $build_dir" >&2; exit 66; }
floor=${floor:-$build_dir/bench/startup/floor/startup_floor}
program=${program:-$build_dir/app/zumora}

names=(floor)
commands=("$floor")
[ "$no_program" = 1 ] || { names+=(program); commands+=("$program"); }
for pair in "${extra[@]}"; do
    case $pair in
    ?*=?*) names+=("${pair%%=*}"); commands+=("${pair#*=}") ;;
    *) echo "run.sh: --cmd needs NAME=COMMAND, got '$pair'" >&2; exit 64 ;;
    esac
done
for i in "${!commands[@]}"; do
    read -r -a words <<<"${commands[$i]}"
    if ! command -v "${words[0]}" >/dev/null; then
        echo "run.sh: ${names[$i]}: cannot run '${words[0]}'" >&2
        [ "${names[$i]}" = floor ] &&
            echo "  build it: cmake --build $build_dir --target startup_floor" >&2
        exit 66
    fi
done

# --- Preparation, outside the session bus: packages, the event probe, the fonts. --------------
if [ -z "${ZUMORA_STARTUP_INNER:-}" ]; then
    # The fonts of a Japanese GNOME or KDE desktop: Noto CJK comes with both, VL Gothic and IPA
    # with Debian's Japanese desktop task. Thousands of fonts, where a program's font lookups
    # cost what they cost its users.
    "$repo/scripts/deps.sh" xvfb openbox dbus dbus-bin x11-utils fontconfig gcc pkg-config \
        libxcb1-dev libxcb-record0-dev fonts-noto-cjk fonts-vlgothic fonts-ipafont
    work=$build_dir/bench/startup
    mkdir -p "$work"
    if [ ${#hidden[@]} -gt 0 ]; then
        # Everything the machine's fontconfig sees but the hidden families: for the floor, the
        # program, the cache and the count below alike.
        conf=$work/fonts-hiding.conf
        {
            printf '<?xml version="1.0"?>\n<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">\n'
            printf '<fontconfig>\n  <include ignore_missing="yes">%s</include>\n' \
                "${FONTCONFIG_FILE:-/etc/fonts/fonts.conf}"
            printf '  <selectfont><rejectfont>\n'
            for family in "${hidden[@]}"; do
                family=${family//&/"&amp;"}
                family=${family//</"&lt;"}
                printf '    <pattern><patelt name="family"><string>%s</string></patelt></pattern>\n' \
                    "$family"
            done
            printf '  </rejectfont></selectfont>\n</fontconfig>\n'
        } >"$conf"
        export FONTCONFIG_FILE=$conf
    fi
    probe=$work/startup_probe
    if [ ! -x "$probe" ] || [ "$here/probe.c" -nt "$probe" ]; then
        # shellcheck disable=SC2046
        cc -std=c11 -O2 -Wall -Wextra -Wpedantic -o "$probe" "$here/probe.c" \
            $(pkg-config --cflags --libs xcb xcb-record)
    fi
    # A desktop's font cache is warm: build it now, not inside the first measured run.
    fc-cache
    fonts=$(fc-list | wc -l)
    japanese=$(fc-list :lang=ja | wc -l)
    echo "Fonts: $fonts known to fontconfig, $japanese of them for Japanese${hidden[*]:+; hidden: ${hidden[*]}}"
    export ZUMORA_STARTUP_INNER=1 ZUMORA_STARTUP_PROBE=$probe ZUMORA_STARTUP_WORK=$work
    # As on a desktop, the programs find a session bus; without one Qt would try to start its own.
    # Everything below inherits the priority; the floor and the program alike.
    case $priority in
    realtime) scheduling=(chrt --rr 10) ;;
    high) scheduling=(nice -n -15) ;;
    normal) scheduling=() ;;
    *) echo "run.sh: --priority is realtime, high or normal" >&2; exit 64 ;;
    esac
    if [ ${#scheduling[@]} -gt 0 ] && ! "${scheduling[@]}" true 2>/dev/null; then
        echo "run.sh: not allowed to run at $priority priority (root only); running normal" >&2
        scheduling=()
    fi
    exec "${scheduling[@]}" dbus-run-session -- bash "${BASH_SOURCE[0]}" "${args[@]}"
fi

# --- Inside the session bus: X server, window manager, the runs. ------------------------------
probe=$ZUMORA_STARTUP_PROBE
work=$ZUMORA_STARTUP_WORK
tmp=$(mktemp -d)
xvfb_pid=
wm_pid=
cleanup() {
    [ -z "$wm_pid" ] || { kill "$wm_pid" 2>/dev/null; wait "$wm_pid" 2>/dev/null; } || true
    [ -z "$xvfb_pid" ] || { kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; } || true
    rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

wait_for() { # wait_for SECONDS COMMAND...: readiness check before measuring, not a measurement
    local deadline=$((SECONDS + $1))
    shift
    until "$@" >/dev/null 2>&1; do
        [ $SECONDS -lt "$deadline" ] || return 1
        sleep 0.05
    done
}

if [ -n "$display" ]; then
    Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp -noreset 2>"$tmp/xvfb.log" &
    xvfb_pid=$!
    export DISPLAY=$display
    wait_for 10 xdpyinfo || { echo "run.sh: Xvfb did not start on $display" >&2; cat "$tmp/xvfb.log" >&2; exit 1; }
else
    Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$tmp/display" 2>"$tmp/xvfb.log" &
    xvfb_pid=$!
    wait_for 10 test -s "$tmp/display" || { echo "run.sh: Xvfb did not start" >&2; cat "$tmp/xvfb.log" >&2; exit 1; }
    DISPLAY=:$(head -n1 "$tmp/display")
    export DISPLAY
fi

openbox --sm-disable >"$tmp/openbox.log" 2>&1 &
wm_pid=$!
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }
wait_for 10 wm_ready || { echo "run.sh: openbox did not start" >&2; cat "$tmp/openbox.log" >&2; exit 1; }

export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR=$tmp/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
log=$work/startup-commands.log
: >"$log"
raw=$work/startup-runs.tsv
printf 'command\trun\tmap_ms\texpose_ms\tpaint_ms\trss_kib\tpss_kib\tcpu_ms\twait_ms\n' >"$raw"

settle=$(awk -v ms="$settle_ms" 'BEGIN { print ms / 1000 }')
measure() { # measure INDEX RUN: one run of one command; RUN "warm-up" is not recorded
    local words line map expose paint rss pss cpu wait
    read -r -a words <<<"${commands[$1]}"
    # shellcheck disable=SC2094 # the log only collects: the command's output, then the probe's
    if line=$("$probe" --timeout-ms "$timeout_ms" --log "$log" -- "${words[@]}" 2>>"$log"); then
        # The probe prints: map=.. expose=.. paint=.. rss=.. pss=.. cpu=.. wait=..
        # shellcheck disable=SC2001
        read -r map expose paint rss pss cpu wait <<<"$(sed 's/[a-z]*=//g' <<<"$line")"
        [ "$2" = warm-up ] ||
            printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "${names[$1]}" "$2" "$map" "$expose" \
                "$paint" "$rss" "$pss" "$cpu" "$wait" >>"$raw"
    else
        echo "run.sh: ${names[$1]} run $2 failed (see $log)" >&2
        [ "$2" = warm-up ] || printf '%s\t%s\tfailed\n' "${names[$1]}" "$2" >>"$raw"
    fi
    sleep "$settle"
}

echo "Display $DISPLAY, openbox, session bus, $(chrt -p $$ | sed -n 's/.*policy: //p'), niceness $(nice), locale ${LC_ALL:-${LANG:-POSIX}}; $runs runs of: ${names[*]}"
for i in "${!commands[@]}"; do measure "$i" warm-up; done
for run in $(seq 1 "$runs"); do
    for i in "${!commands[@]}"; do measure "$i" "$run"; done
    printf '.' >&2
done
echo >&2

[ -z "$raw_out" ] || cp "$raw" "$raw_out"
python3 "$here/summarize.py" "$raw"
