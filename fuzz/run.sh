#!/usr/bin/env bash
# Makes a seed corpus from the project's own sample picture and kept inputs, and runs the fuzz
# targets for a bounded time. Fails when a fuzzer finds a crash; the input is left in the build folder
# (crash-*) to become a regression test in tests/data/fuzz.
# Usage: fuzz/run.sh BUILD_DIR [SECONDS per target, default 45]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "$1" && pwd)
seconds=${2:-45}
cli=$build/cli/tarnel-cli
corpus=$build/corpus
mkdir -p "$corpus/bitmap" "$corpus/jpeg" "$corpus/any_bitmap" "$corpus/dib" "$corpus/path_record" \
    "$corpus/exif" "$build/findings"

# Small seeds fuzz fast: a 20 x 15 picture in every layout the reader takes.
"$cli" compress tests/data/sample.bmp "$corpus/sample.jpg" --yes >/dev/null
"$cli" uncompress "$corpus/sample.jpg" "$corpus/bitmap/win24.bmp" --scale 1/8 --yes
"$cli" uncompress "$corpus/sample.jpg" "$corpus/bitmap/win8.bmp" --scale 1/8 --colors 16 --yes
"$cli" uncompress "$corpus/sample.jpg" "$corpus/bitmap/os2-24.bmp" --scale 1/8 --os2 --yes
"$cli" uncompress "$corpus/sample.jpg" "$corpus/bitmap/os2-8.bmp" --scale 1/8 --os2 --colors 8 --onepass --dither ordered --yes
"$cli" uncompress "$corpus/sample.jpg" "$corpus/bitmap/grey.bmp" --scale 1/8 --grayscale --yes
"$cli" compress "$corpus/bitmap/win24.bmp" "$corpus/jpeg/baseline.jpg" --yes
"$cli" compress "$corpus/bitmap/win24.bmp" "$corpus/jpeg/progressive.jpg" --progressive --yes
"$cli" compress "$corpus/bitmap/win24.bmp" "$corpus/jpeg/grey.jpg" --grayscale --optimize --yes
"$cli" compress "$corpus/bitmap/win8.bmp" "$corpus/jpeg/q10.jpg" --quality 10 --yes >/dev/null || true

# The reader of every layout and the DIB start from the same bitmaps and the inputs kept for
# them; the path records from the kept ones.
cp "$corpus"/bitmap/*.bmp tests/data/fuzz/any_bitmap/*.bmp "$corpus/any_bitmap/"
cp "$corpus"/bitmap/*.bmp tests/data/fuzz/dib/* "$corpus/dib/"
cp tests/data/fuzz/path_record/* "$corpus/path_record/"
# Exif data of both byte orders with an orientation (a leading byte of 0), and small bitmaps to
# turn (a leading byte of 11: orientation 4, a profile).
printf '\0Exif\0\0II*\0\10\0\0\0\1\0\22\1\3\0\1\0\0\0\6\0\0\0\0\0\0\0' > "$corpus/exif/le6"
printf '\0Exif\0\0MM\0*\0\0\0\10\0\1\1\22\0\3\0\0\0\1\0\10\0\0\0\0\0\0' > "$corpus/exif/be8"
for f in "$corpus"/bitmap/win24.bmp "$corpus"/bitmap/os2-8.bmp; do
    { printf '\13'; cat "$f"; } > "$corpus/exif/turn-$(basename "$f")"
done

status=0
for target in bitmap jpeg any_bitmap dib path_record exif; do
    echo "=== fuzzing $target for $seconds s"
    (cd "$build/findings" && "$build/fuzz/${target}_fuzzer" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 "$corpus/$target" 2>&1 | tail -n 12) || status=1
done
exit $status
