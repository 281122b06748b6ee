#!/usr/bin/env bash
# Runs a command so that every process it starts ends with it, whether it passes or fails:
# daemons that detach themselves (X servers, session buses, what a bus starts on demand, speech
# and input-method servers) included.
#
# As root the command runs as the first process of a PID namespace of its own; when it ends, the
# kernel ends every process left in the namespace. Elsewhere, or where no namespace can be made,
# it runs in a process group of its own, which is ended afterwards; a daemon that leaves the
# group is then the command's own to end. Inside either, a further call runs the command as it
# is, so a check may contain itself and still be run from a contained caller.
# Usage: scripts/contained.sh COMMAND [ARG ...]    (exits with the command's status)
set -uo pipefail

[ -z "${ZUMORA_CONTAINED:-}" ] || exec "$@"
export ZUMORA_CONTAINED=1

if [ "$(id -u)" -eq 0 ] && unshare --pid --fork --mount-proc true 2>/dev/null; then
    exec unshare --pid --fork --mount-proc --kill-child -- "$@"
fi

setsid "$@" &
pid=$!
trap 'kill -TERM -- "-$pid" 2>/dev/null' INT TERM
wait "$pid"
status=$?
kill -TERM -- "-$pid" 2>/dev/null
sleep 0.2
kill -KILL -- "-$pid" 2>/dev/null
exit "$status"
