# shellcheck shell=bash
# Sourced by the desktop checks (bash): the processes of a check's session, started in order
# and ended in the reverse order, whether the check passes or fails.
#
# Every process started through session_start carries a mark in its environment that names the
# session and itself, and so does everything it starts in turn: daemons that detach themselves,
# the services a bus starts on demand, an input method's conversion server. So the check can say
# what it started, and end each process together with what it started, not only what the check
# started by name.
#
#   session_start NAME COMMAND [ARG ...]   runs COMMAND in the background, marked as NAME
#   session_pid NAME                       the process id of NAME
#   session_stop NAME                      ends NAME and what it started, now
#   session_marked [NAME]                  the marked processes running now ("pid command"
#                                          lines): all of the session's, or those of NAME
#   session_processes                      every process of the session running now: what was
#                                          started, what those started, what carries the mark
#   session_end                            ends what session_start started, the last first, each
#                                          with what it started; says what had to be killed, and
#                                          that nothing is left
#   session_wait WHAT COMMAND [ARG ...]    waits up to ten seconds for COMMAND to succeed, and
#                                          fails saying that WHAT did not come up if it does not
#   session_bus_config DIR                 writes DIR/bus.conf: a session bus that listens in
#                                          DIR and starts nothing on demand (no desktop portal,
#                                          no settings daemon, whatever the machine has
#                                          installed) but the services the check puts into
#                                          DIR/services
#   session_bus DIR                        starts such a bus and exports its address
#
# A process is asked to end (TERM) and given five seconds to do so; one that does not (a speech
# server stuck on its audio, say) is killed.

# A session of its own even inside another check's: its processes are its own to end.
session_mark=zumora-check-$$-$RANDOM$RANDOM
session_names=()
session_pids=()

session_start() {
    local name=$1
    shift
    ZUMORA_SESSION_MARK="$session_mark:$name" "$@" &
    session_names+=("$name")
    session_pids+=($!)
}

session_pid() {
    local i
    for i in "${!session_names[@]}"; do
        if [ "${session_names[i]}" = "$1" ]; then
            echo "${session_pids[i]}"
            return 0
        fi
    done
    return 1
}

session_marked() {
    local wanted="ZUMORA_SESSION_MARK=$session_mark:${1:-}" environ pid mark
    for environ in /proc/[0-9]*/environ; do
        pid=${environ#/proc/}
        pid=${pid%/environ}
        mark=$(tr '\0' '\n' 2>/dev/null <"$environ" | grep -m 1 '^ZUMORA_SESSION_MARK=' || true)
        if { [ -n "${1:-}" ] && [ "$mark" = "$wanted" ]; } ||
            { [ -z "${1:-}" ] && [[ $mark == "$wanted"* ]]; }; then
            # Between the look at its environment and now the process may have ended.
            ps -o pid=,args= -p "$pid" 2>/dev/null | cut -c1-150 || true
        fi
    done
}

# A few programs (dbus-daemon among them) rewrite their environment, mark and all; what they
# start still carries it, and they themselves descend from a started process.
session_processes() {
    {
        ps -e -o pid=,ppid=,args= | awk -v started="${session_pids[*]}" '
            BEGIN { n = split(started, list, " "); for (i = 1; i <= n; i++) keep[list[i]] = 1 }
            { parent[$1] = $2; line[$1] = $0 }
            END {
                for (pid in line) {
                    for (p = pid; p in parent && !(p in keep) && p > 1; p = parent[p]) {}
                    if (p in keep) { sub(/^ *[0-9]+ +[0-9]+ /, "", line[pid]); print pid, line[pid] }
                }
            }'
        session_marked | sed 's/^ *//'
    } | sort -n -u -k1,1 | cut -c1-150
}

# A process that has ended but not yet been reaped by its parent counts as ended.
session_alive() {
    local state
    state=$(ps -o stat= -p "$1" 2>/dev/null) || return 1
    [[ $state != Z* ]]
}

# Asks one process to end, and kills it if it has not within five seconds.
session_end_process() {
    local pid=$1 name=$2
    kill -TERM "$pid" 2>/dev/null || return 0
    for _ in $(seq 50); do
        session_alive "$pid" || break
        sleep 0.1
    done
    if session_alive "$pid"; then
        echo "$name ($pid) did not end within 5 s of being asked: killed" >&2
        kill -KILL "$pid" 2>/dev/null || true
    fi
    wait "$pid" 2>/dev/null || true
}

# Ends a started process, then whatever it started that has not ended with it.
session_end_started() {
    local i=$1 pid args
    session_end_process "${session_pids[i]}" "${session_names[i]}"
    while read -r pid args; do
        [ -n "$pid" ] && session_end_process "$pid" "$args"
    done < <(session_marked "${session_names[i]}")
}

session_stop() {
    local i
    for i in "${!session_names[@]}"; do
        if [ "${session_names[i]}" = "$1" ]; then
            session_end_started "$i"
            unset 'session_names[i]' 'session_pids[i]'
        fi
    done
    session_names=("${session_names[@]}")
    session_pids=("${session_pids[@]}")
}

session_end() {
    local i pid args
    for ((i = ${#session_pids[@]} - 1; i >= 0; i--)); do
        session_end_started "$i"
    done
    session_names=()
    session_pids=()
    # Nothing should be left; a process that is left has escaped the order above.
    local left=0
    while read -r pid args; do
        [ -n "$pid" ] || continue
        echo "still running after the session ended: $args" >&2
        session_end_process "$pid" "$args"
        left=$((left + 1))
    done < <(session_marked)
    if [ "$left" -eq 0 ]; then
        echo "${0##*/}: every process the session started has ended"
    fi
}

session_wait() {
    local what=$1
    shift
    for _ in $(seq 100); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "${0##*/}: $what did not come up within 10 s" >&2
    return 1
}

# Seals a check off from the caller's desktop: none of its session, display, toolkit or input
# method settings reach what the check starts, and its home, settings, caches, data and runtime
# folder (mode 0700) are folders of its own under $1.
session_private_home() {
    local dir=$1
    unset DISPLAY WAYLAND_DISPLAY XAUTHORITY XDG_SESSION_TYPE XDG_CURRENT_DESKTOP \
        XDG_SESSION_DESKTOP DESKTOP_SESSION SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS \
        QT_QPA_PLATFORM QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE QT_SCALE_FACTOR QT_PLUGIN_PATH \
        QT_IM_MODULE GTK_MODULES XMODIFIERS
    mkdir -p -m 0700 "$dir/runtime"
    mkdir -p "$dir/home"
    export HOME=$dir/home XDG_RUNTIME_DIR=$dir/runtime XDG_CONFIG_HOME=$dir/home/.config \
        XDG_CACHE_HOME=$dir/home/.cache XDG_DATA_HOME=$dir/home/.local/share
}

session_bus_config() {
    local dir=$1
    mkdir -p "$dir/services"
    cat >"$dir/bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=$dir</listen>
  <auth>EXTERNAL</auth>
  <servicedir>$dir/services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
}

session_bus() {
    local dir=$1
    session_bus_config "$dir"
    session_start "session bus" dbus-daemon --config-file="$dir/bus.conf" --nofork \
        --print-address=3 3>"$dir/bus-address" 2>"$dir/bus.log"
    session_wait "the session bus" test -s "$dir/bus-address" || return 1
    DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$dir/bus-address")
    export DBUS_SESSION_BUS_ADDRESS
}
