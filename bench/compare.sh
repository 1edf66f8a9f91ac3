#!/usr/bin/env bash
# Times tarnel-cli against cjpeg/djpeg, ImageMagick and Pillow on the same pictures in one run,
# both directions, and prints median wall time, the ratio to the libjpeg tools and peak memory.
# A measurement, not a test: run it by hand. Usage: bench/compare.sh [runs per tool, default 11]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-11}

as_root=(); [ "$(id -u)" -ne 0 ] && as_root=(sudo)
need=()
for p in imagemagick python3-pil time libjpeg-turbo-progs hyperfine; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
    "${as_root[@]}" apt-get update -qq
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}"
fi
cmake --preset release >/dev/null && cmake --build --preset release >/dev/null
cli=$PWD/build/release/cli/tarnel-cli
work=$PWD/build/bench
mkdir -p "$work"
py=/usr/bin/python3

# measure NAME COMMAND...: median wall seconds (hyperfine, $runs runs after a warm-up) and the
# median peak resident KiB of three runs.
measure() {
    local name=$1; shift
    local quoted
    quoted=$(printf '%q ' "$@")
    hyperfine -N --warmup 1 --runs "$runs" --export-json "$work/hf.json" "$quoted" >/dev/null 2>&1
    local t
    t=$("$py" -c "import json,sys; print(json.load(open(sys.argv[1]))['results'][0]['median'])" "$work/hf.json")
    local mems=()
    for _ in 1 2 3; do
        /usr/bin/time -o "$work/time.txt" -f '%M' "$@" >/dev/null 2>&1
        mems+=("$(tail -n 1 "$work/time.txt")")
    done
    local m
    m=$(printf '%s\n' "${mems[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
    printf '%s %s %s\n' "$name" "$t" "$m"
}

report() {  # reads "name seconds kib" lines; the first line is the reference
    awk 'NR==1 {ref=$2} {printf "  %-22s %7.3f s  %5.2fx  %8.1f MiB\n", $1, $2, (ref>0 ? $2/ref : 0), $3/1024}'
}

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
