#!/usr/bin/env bash
# The bitmap choice's preview of a 20000 x 20000 24-bit bitmap (1.2 GB) in Tarnel.exe under Wine
# and a virtual display: the time from selecting the file to its picture in the pane, and
# Tarnel.exe's peak memory meanwhile. A measurement, not a test.
# Usage: bench/preview.sh [MINGW_BUILD_DIR, default build/mingw] [SIDE, default 20000]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build/mingw}" && pwd)
side=${2:-20000}
work=$build/bench-preview
winpath() { echo "Z:${1//\//\\}"; }

if [ "${3:-}" = "--inside-display" ]; then
    source scripts/wine-env.sh
    rm -f "$work/done"
    wine "$build/tests/gui_driver.exe" --preview-bench "$(winpath "$build/app/Tarnel.exe")" \
        "$(winpath "$work/pick")" "$(winpath "$work/done")" > "$work/driver.log" 2>/dev/null &
    driver=$!
    for _ in $(seq 600); do
        grep -qE "PREVIEW_(MS|FAILED)" "$work/driver.log" 2>/dev/null && break
        sleep 0.1
    done
    import -window root "$work/preview.png" 2>/dev/null || true
    pid=$(pgrep -x Tarnel.exe | head -n 1 || true)
    peak=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo 0)
    touch "$work/done"
    wait "$driver" || true
    wineserver -k 2>/dev/null || true
    echo "$(grep -o 'PREVIEW_MS=[0-9]*' "$work/driver.log") PEAK_KIB=$peak"
    exit 0
fi

mkdir -p "$work/pick"
big=$work/pick/scan.bmp
if [ ! -s "$big" ]; then
    echo "writing a ${side} x ${side} 24-bit bitmap"
    /usr/bin/python3 bench/make_big_picture.py "$side" "$side" "$big"
fi
echo "bitmap: $(du -h "$big" | cut -f1), ${side} x ${side}"
result=$(xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash "$0" "$build" "$side" --inside-display | tail -n 1)
ms=$(echo "$result" | sed -n 's/.*PREVIEW_MS=\([0-9]*\).*/\1/p')
kib=$(echo "$result" | sed -n 's/.*PEAK_KIB=\([0-9]*\).*/\1/p')
echo "selection to picture in the pane: ${ms:-?} ms; Tarnel.exe peak memory: $(( ${kib:-0} / 1024 )) MiB"
echo "the screen then: $work/preview.png"
