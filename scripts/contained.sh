#!/usr/bin/env bash
# Runs a command so that every process it starts ends with it, whether it passes or fails:
# daemons that detach themselves (X servers, session buses, what a bus starts on demand, speech
# and input-method servers) included.
#
# As root the command runs in a PID namespace of its own; when it ends, the kernel ends every
# process left in the namespace. Elsewhere, or where no namespace can be made, it runs in a
# process group of its own, which is ended afterwards; a daemon that leaves the group is then the
# command's own to end. Inside either, a further call runs the command as it is, so a check may
# contain itself and still be run from a contained caller. TERM and INT (a timeout, Ctrl-C) reach
# the command, so that it can tear down in order.
# Usage: scripts/contained.sh COMMAND [ARG ...]    (exits with the command's status)
set -uo pipefail

[ -z "${ZUMORA_CONTAINED:-}" ] || exec "$@"
export ZUMORA_CONTAINED=1

# The first process of a namespace is shielded from every signal it has no handler for, so the
# command runs under a small first process that hands TERM and INT on and returns its status.
first='trap "kill -TERM \$child 2>/dev/null" TERM
trap "kill -INT \$child 2>/dev/null" INT
"$@" &
child=$!
while kill -0 "$child" 2>/dev/null; do wait "$child"; status=$?; done
exit "$status"'

# The namespace keeps the mounts' propagation as it is: in a chroot "/" is no mount point, and
# making it private would fail.
namespace=(unshare --pid --fork --mount-proc --propagation unchanged --kill-child)

# The process whose parent is $1, read from /proc (no ps in a minimal system).
child_of() {
    local stat line fields
    for stat in /proc/[0-9]*/stat; do
        { read -r line <"$stat"; } 2>/dev/null || continue
        read -ra fields <<<"${line##*) }"
        [ "${fields[1]}" = "$1" ] && { echo "${stat//[^0-9]/}"; return; }
    done
}

if [ "$(id -u)" -eq 0 ] && "${namespace[@]}" true 2>/dev/null; then
    "${namespace[@]}" -- bash -c "$first" contained "$@" &
    pid=$!
    # unshare itself lets TERM and INT pass; they are for the namespace's first process.
    forward() { kill -"$1" "$(child_of "$pid")" 2>/dev/null; }
    trap 'forward TERM' TERM
    trap 'forward INT' INT
    while kill -0 "$pid" 2>/dev/null; do wait "$pid"; status=$?; done
    exit "$status"
fi

setsid "$@" &
pid=$!
trap 'kill -TERM -- "-$pid" 2>/dev/null' TERM
trap 'kill -INT -- "-$pid" 2>/dev/null' INT
while kill -0 "$pid" 2>/dev/null; do wait "$pid"; status=$?; done
kill -TERM -- "-$pid" 2>/dev/null
sleep 0.2
kill -KILL -- "-$pid" 2>/dev/null
exit "$status"
