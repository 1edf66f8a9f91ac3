#!/usr/bin/env bash
# Times converting a folder of 12 MP 24-bit bitmaps to JPEG (quality 75) in one run: tarnel-cli's
# batch on 2 threads against the same batch one file at a time, cjpeg started by xargs -P 2, and
# ImageMagick's mogrify (its own threads). Median wall time, ratio to the first line, peak
# memory; then whether tarnel-cli's outputs equal cjpeg's. The files are hard links to one
# picture, so every tool reads from the page cache alike. A measurement, not a test.
# Usage: bench/batch.sh [runs per tool, default 3] [files, default 100]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
files=${2:-100}
source bench/lib.sh

bmp=$work/pic-4000x3000.bmp
[ -f "$bmp" ] || "$py" bench/make_picture.py 4000 3000 "$bmp"
in=$work/batch-in
rm -rf "$in" "$work"/batch-out-*
mkdir -p "$in" "$work"/batch-out-{j2,j1,cjpeg,magick}
for i in $(seq -w 1 "$files"); do ln "$bmp" "$in/p$i.bmp"; done

# What a shell user writes to run cjpeg on two cores: IN OUT.
cat >"$work/xargs-cjpeg.sh" <<'SH'
for f in "$1"/*.bmp; do printf '%s\0' "$f"; done |
    xargs -0 -P 2 -n 1 sh -c 'b=${1##*/}; cjpeg -outfile "$0/${b%.bmp}.jpg" "$1"' "$2"
SH

echo "== $files pictures of 12.0 MP (4000x3000), 24-bit BMP -> JPEG; $(nproc) cores; median of $runs"
{
    measure tarnel-cli-j2 "$cli" compress "$in" -r -j 2 --out-dir "$work/batch-out-j2" --yes --quiet
    measure tarnel-cli-j1 "$cli" compress "$in" -r -j 1 --out-dir "$work/batch-out-j1" --yes --quiet
    measure xargs-P2-cjpeg sh "$work/xargs-cjpeg.sh" "$in" "$work/batch-out-cjpeg"
    measure mogrify mogrify -path "$work/batch-out-magick" -format jpg -quality 75 "$in"/*.bmp
} | report
if cmp -s "$work/batch-out-j2/p$(seq -w 1 "$files" | head -1).jpg" \
    "$work/batch-out-cjpeg/p$(seq -w 1 "$files" | head -1).jpg"; then
    echo "  tarnel-cli's JPEG is byte for byte cjpeg's"
else
    echo "  tarnel-cli's JPEG DIFFERS from cjpeg's"
fi
rm -rf "$in" "$work"/batch-out-*
