#!/usr/bin/env bash
# Times reading a 12 MP 24-bit bitmap, turning it 90 degrees and writing it: tarnel-cli transform
# against ImageMagick in one run, median wall time, ratio and peak memory, and whether the two
# pictures agree. A measurement, not a test. Usage: bench/transform.sh [runs per tool, default 11]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-11}
source bench/lib.sh

bmp=$work/pic-4000x3000.bmp
[ -f "$bmp" ] || "$py" bench/make_picture.py 4000 3000 "$bmp"
echo "== 12.0 MP (4000x3000), 24-bit BMP: read, rotate 90, write; median of $runs"
{
    measure imagemagick convert "$bmp" -rotate 90 "BMP3:$work/rot-im.bmp"
    measure tarnel-cli "$cli" transform "$bmp" "$work/rot-tarnel.bmp" --rotate 90 --yes
} | report
# The pixel area starts at byte 54 in both files; their headers differ only in the resolution.
if cmp -s <(tail -c +55 "$work/rot-im.bmp") <(tail -c +55 "$work/rot-tarnel.bmp"); then
    echo "  the same pixels as ImageMagick"
else
    echo "  pixels DIFFER from ImageMagick"
fi
