#!/usr/bin/env bash
# Times tarnel-cli against cjpeg/djpeg, ImageMagick and Pillow on the same pictures in one run,
# both directions, and prints median wall time, the ratio to the libjpeg tools and peak memory.
# A measurement, not a test: run it by hand. Usage: bench/compare.sh [runs per tool, default 11]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-11}

source bench/lib.sh

for size in 640x480 4000x3000 8000x6000; do
    w=${size%x*}; h=${size#*x}
    bmp=$work/pic-$size.bmp; jpg=$work/pic-$size.jpg
    [ -f "$bmp" ] || "$py" bench/make_picture.py "$w" "$h" "$bmp"
    cjpeg -quality 75 -outfile "$jpg" "$bmp"
    mp=$(awk "BEGIN {printf \"%.1f\", $w * $h / 1000000}")
    echo "== $mp MP ($size), BMP -> JPEG, quality 75, median of $runs"
    {
        measure cjpeg cjpeg -quality 75 -outfile "$work/out-cjpeg.jpg" "$bmp"
        measure tarnel-cli "$cli" compress "$bmp" "$work/out-tarnel.jpg" --yes
        measure imagemagick convert "$bmp" -quality 75 "$work/out-im.jpg"
        measure pillow "$py" -c "from PIL import Image; Image.open('$bmp').save('$work/out-pil.jpg', quality=75)"
    } | report
    cmp -s "$work/out-cjpeg.jpg" "$work/out-tarnel.jpg" && echo "  tarnel-cli output identical to cjpeg" || echo "  tarnel-cli output DIFFERS from cjpeg"
    echo "== $mp MP ($size), JPEG -> BMP, median of $runs"
    {
        measure djpeg djpeg -bmp -outfile "$work/out-djpeg.bmp" "$jpg"
        measure tarnel-cli "$cli" uncompress "$jpg" "$work/out-tarnel.bmp" --yes
        measure imagemagick convert "$jpg" "BMP3:$work/out-im.bmp"
        measure pillow "$py" -c "from PIL import Image; Image.open('$jpg').save('$work/out-pil.bmp')"
    } | report
    cmp -s "$work/out-djpeg.bmp" "$work/out-tarnel.bmp" && echo "  tarnel-cli output identical to djpeg" || echo "  tarnel-cli output DIFFERS from djpeg"
done
