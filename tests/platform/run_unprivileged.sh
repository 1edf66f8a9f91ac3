#!/usr/bin/env bash
# Runs a test program as the unprivileged user nobody when the tests run as root, who may read
# and write anything: permissions, links and temporary files are then met as most users meet
# them. The program is copied where that user may run it, with a scratch folder of its own.
set -euo pipefail
program=$1
shift
if [ "$(id -u)" != 0 ]; then
    exec "$program" "$@"
fi
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
chmod 755 "$dir"
cp "$program" "$dir/"
mkdir "$dir/tmp"
chown nobody "$dir/tmp"
runuser -u nobody -- env TMPDIR="$dir/tmp" "$dir/$(basename "$program")" "$@"
