#!/usr/bin/env bash
# Runs a Windows program under the project's private Wine with a time limit: the emulator that
# CTest uses for the Windows build. Usage: wine-run.sh PROGRAM.exe [ARGS...]
set -uo pipefail
source "$(dirname "$0")/wine-env.sh"
timeout --kill-after=10 "${TARNEL_WINE_TIMEOUT:-300}" wine "$@"
