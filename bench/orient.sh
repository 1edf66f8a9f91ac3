#!/usr/bin/env bash
# Times decoding a 48 MP JPEG to a bitmap turned as its Exif orientation says: tarnel-cli
# --auto-orient on a picture that needs turning (6) and on one that stands as stored (1), against
# djpeg and tarnel-cli without turning, and ImageMagick's -auto-orient, in one run: median wall
# time, ratio to djpeg, peak memory; then whether the turned pixels are ImageMagick's. A
# measurement, not a test. Usage: bench/orient.sh [runs per tool, default 7]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-7}
source bench/lib.sh

bmp=$work/pic-8000x6000.bmp
[ -f "$bmp" ] || "$py" bench/make_picture.py 8000 6000 "$bmp"
# The same JPEG with an Exif segment saying orientation 1 or 6, put right after its start.
for n in 1 6; do
    cjpeg -quality 90 "$bmp" | "$py" -c '
import struct, sys
jpeg, n = sys.stdin.buffer.read(), int(sys.argv[1])
tiff = b"MM\0*" + struct.pack(">IH", 8, 1) + struct.pack(">HHIHH", 0x0112, 3, 1, n, 0) + b"\0" * 4
exif = b"Exif\0\0" + tiff
sys.stdout.buffer.write(jpeg[:2] + b"\xff\xe1" + struct.pack(">H", len(exif) + 2) + exif + jpeg[2:])
' "$n" >"$work/orient-$n.jpg"
done
echo "== 48.0 MP (8000x6000) JPEG -> 24-bit BMP, turned as its Exif says; median of $runs"
{
    fresh=$work/o-djpeg.bmp measure djpeg djpeg -bmp -outfile "$work/o-djpeg.bmp" "$work/orient-6.jpg"
    fresh=$work/o-plain.bmp measure tarnel-cli "$cli" uncompress "$work/orient-6.jpg" "$work/o-plain.bmp" --yes
    fresh=$work/o-1.bmp measure tarnel-cli-auto-1 "$cli" uncompress --auto-orient "$work/orient-1.jpg" "$work/o-1.bmp" --yes
    fresh=$work/o-6.bmp measure tarnel-cli-auto-6 "$cli" uncompress --auto-orient "$work/orient-6.jpg" "$work/o-6.bmp" --yes
    fresh=$work/o-im.bmp measure imagemagick-auto-6 convert "$work/orient-6.jpg" -auto-orient "BMP3:$work/o-im.bmp"
} | report
# The pixel area starts at byte 54 in both files; their headers differ only in the resolution.
if cmp -s <(tail -c +55 "$work/o-im.bmp") <(tail -c +55 "$work/o-6.bmp"); then
    echo "  the turned pixels are ImageMagick's"
else
    echo "  turned pixels DIFFER from ImageMagick's"
fi
rm -f "$work"/o-*.bmp
