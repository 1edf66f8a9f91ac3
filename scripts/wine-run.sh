#!/usr/bin/env bash
# Runs a Windows program under the project's private Wine with a time limit: the emulator that
# CTest uses for the Windows build. Usage: wine-run.sh PROGRAM.exe [ARGS...]
set -uo pipefail
source "$(dirname "$0")/wine-env.sh"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
run() {
    timeout --kill-after=10 "${TARNEL_WINE_TIMEOUT:-300}" wine "$@" 2>"$log"
    local status=$?
    cat "$log" >&2
    return $status
}
run "$@"
status=$?
# A program that starts just as the Wine server shuts down (it lingers a few seconds after the
# last program) loses its connection, or finds the server's socket but no server, before running
# a line of its own: run it once more, when the old server is gone.
if [ $status -ne 0 ] && grep -qE 'wine client error|cannot connect to it' "$log"; then
    echo "wine-run: the Wine server went away at start; running again" >&2
    sleep 2
    run "$@"
    status=$?
fi
exit $status
