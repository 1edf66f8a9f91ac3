#!/usr/bin/env bash
# The one way to build a Windows preset: libjpeg for its architecture first when it is missing
# (scripts/build-libjpeg-mingw.sh), then configure and build.
# Usage: scripts/build-windows.sh mingw|mingw32 [TARGET...]   (no target: everything)
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:?usage: build-windows.sh mingw|mingw32 [TARGET...]}
shift
case "$preset" in
    mingw) bash scripts/build-libjpeg-mingw.sh x86_64 ;;
    mingw32) bash scripts/build-libjpeg-mingw.sh i686 ;;
    *) echo "build-windows: unknown preset $preset" >&2; exit 2 ;;
esac
cmake --preset "$preset" >/dev/null
if [ $# -gt 0 ]; then
    cmake --build --preset "$preset" --target "$@"
else
    cmake --build --preset "$preset"
fi
