#!/usr/bin/env bash
# Peak memory and time of tarnel-cli against cjpeg/djpeg at 12, 48 and 400 MP: BMP -> baseline
# JPEG, JPEG -> 24-bit BMP and JPEG -> 8-bit BMP (256 colours, libjpeg's two-pass quantiser), with
# libjpeg-turbo's own in-memory time as the floor (tjbench); then the Windows build under Wine
# against cjpeg.exe/djpeg.exe built from the same libjpeg source, one warm wine server, each time
# whole (start-up included; a do-nothing program's start is shown beside them). A measurement,
# not a test: run it by hand.
# Usage: bench/constant_memory.sh [runs, default 7] [--skip-400] [--skip-windows] [--only-windows]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=7
skip400=false
skipWindows=false
onlyWindows=false
for arg in "$@"; do
    case "$arg" in
        --skip-400) skip400=true ;;
        --skip-windows) skipWindows=true ;;
        --only-windows) onlyWindows=true ;;
        *) runs=$arg ;;
    esac
done
source bench/lib.sh

picture() {  # WIDTH HEIGHT -> path of a 24-bit BMP of that size
    local bmp=$work/pic-$1x$2.bmp
    if [ ! -f "$bmp" ]; then
        if [ $(( $1 * $2 )) -gt 100000000 ]; then
            "$py" bench/make_big_picture.py "$1" "$2" "$bmp"
        else
            "$py" bench/make_picture.py "$1" "$2" "$bmp"
        fi
    fi
    echo "$bmp"
}

same() {  # A B: whether the outputs are byte for byte the same
    cmp -s "$1" "$2" && echo "  outputs identical" || echo "  outputs DIFFER"
}

floorCompress=0
floorDecompress=0
floor() {  # BMP MP: libjpeg-turbo compressing and decompressing the picture in memory
    local dir=$work/tj
    rm -rf "$dir"; mkdir -p "$dir"; cp "$1" "$dir/in.bmp"
    tjbench "$dir/in.bmp" 75 -subsamp 420 -benchtime 2 -warmup 1 > "$dir/out.txt" 2>&1 || true
    read -r floorCompress floorDecompress < <(awk -v mp="$2" '/Throughput:/ && n < 2 { t[n++] = mp / $2 }
        END { if (n == 2) printf "%.4f %.4f\n", t[0], t[1]; else print "0 0" }' "$dir/out.txt")
    printf "  floor (tjbench, in memory): compress %.3f s, decompress %.3f s\n" \
        "$floorCompress" "$floorDecompress"
    rm -rf "$dir"
}

# The report with each time also as a ratio to the floor measured in this run.
report_floor() {  # FLOOR-SECONDS
    awk -v floor="$1" 'NR==1 {ref=$2}
        {printf "  %-22s %7.3f s  %5.2fx  %8.1f MiB", $1, $2, (ref>0 ? $2/ref : 0), $3/1024
         if (floor > 0) printf "  %5.2fx the floor", $2/floor
         printf "\n"}'
}

echo "Linux: $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2 / 1048576}' /proc/meminfo), $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
sizes=(4000x3000 8000x6000)
$skip400 || sizes+=(20000x20000)
$onlyWindows && sizes=()
for size in "${sizes[@]}"; do
    w=${size%x*}; h=${size#*x}
    bmp=$(picture "$w" "$h")
    jpg=$work/pic-$size.jpg
    cjpeg -quality 75 -outfile "$jpg" "$bmp"
    mp=$(awk "BEGIN {printf \"%.1f\", $w * $h / 1000000}")
    n=$runs; [ $(( w * h )) -gt 100000000 ] && n=3
    echo "== $mp MP ($size), median of $n; ratio to the libjpeg tool, peak resident memory"
    floorCompress=0; floorDecompress=0
    [ $(( w * h )) -le 100000000 ] && floor "$bmp" "$mp"
    echo " BMP -> JPEG"
    { runs=$n fresh=$work/out-cjpeg.jpg measure cjpeg cjpeg -quality 75 -outfile "$work/out-cjpeg.jpg" "$bmp"
      runs=$n fresh=$work/out-tarnel.jpg measure tarnel-cli "$cli" compress "$bmp" "$work/out-tarnel.jpg" --yes; } | report_floor "$floorCompress"
    same "$work/out-cjpeg.jpg" "$work/out-tarnel.jpg"
    echo " JPEG -> BMP, 24-bit"
    { runs=$n fresh=$work/out-djpeg.bmp measure djpeg djpeg -bmp -outfile "$work/out-djpeg.bmp" "$jpg"
      runs=$n fresh=$work/out-tarnel.bmp measure tarnel-cli "$cli" uncompress "$jpg" "$work/out-tarnel.bmp" --yes
      runs=$n measure tarnel-cli-replacing "$cli" uncompress "$jpg" "$work/out-tarnel.bmp" --yes; } | report_floor "$floorDecompress"
    same "$work/out-djpeg.bmp" "$work/out-tarnel.bmp"
    echo " JPEG -> BMP, 8-bit (256 colours, two passes: libjpeg holds the image)"
    { runs=$n measure djpeg djpeg -bmp -colors 256 -outfile "$work/out-djpeg8.bmp" "$jpg"
      runs=$n measure tarnel-cli "$cli" uncompress "$jpg" "$work/out-tarnel8.bmp" --colors 256 --yes; } | report
    same "$work/out-djpeg8.bmp" "$work/out-tarnel8.bmp"
    rm -f "$work"/out-*.bmp
done

$skipWindows && exit 0
# Windows: tarnel-cli.exe and the libjpeg tools from the same source, all under one wine server.
[ -x build/mingw/cli/tarnel-cli.exe ] || { echo "Windows: build the mingw preset first"; exit 0; }
cmake --build build/mingw-deps-src/build --target cjpeg-static djpeg-static >/dev/null
wcli=$PWD/build/mingw/cli/tarnel-cli.exe
wcjpeg=$PWD/build/mingw-deps-src/build/cjpeg-static.exe
wdjpeg=$PWD/build/mingw-deps-src/build/djpeg-static.exe
printf 'int main(void) { return 0; }\n' > "$work/nothing.c"
x86_64-w64-mingw32-gcc -O2 -o "$work/nothing.exe" "$work/nothing.c"
source scripts/wine-env.sh
wineserver -k 2>/dev/null || true
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
wine "$work/nothing.exe"
read -r _ start startKiB < <(measure nothing wine "$work/nothing.exe")
awk -v t="$start" -v m="$startKiB" 'BEGIN {printf "Windows under Wine: a do-nothing program takes %.3f s and %.1f MiB (included below)\n", t, m / 1024}'
for size in 4000x3000 8000x6000; do
    bmp=$(picture "${size%x*}" "${size#*x}"); jpg=$work/pic-$size.jpg
    [ -f "$jpg" ] || cjpeg -quality 75 -outfile "$jpg" "$bmp"
    echo "== $size under Wine, median of $runs"
    echo " BMP -> JPEG"
    { fresh=$work/wout-cjpeg.jpg measure cjpeg.exe wine "$wcjpeg" -quality 75 -outfile "$work/wout-cjpeg.jpg" "$bmp"
      fresh=$work/wout-tarnel.jpg measure tarnel-cli.exe wine "$wcli" compress "$bmp" "$work/wout-tarnel.jpg" --yes; } | report
    same "$work/wout-cjpeg.jpg" "$work/wout-tarnel.jpg"
    echo " JPEG -> BMP, 24-bit"
    { fresh=$work/wout-djpeg.bmp measure djpeg.exe wine "$wdjpeg" -bmp -outfile "$work/wout-djpeg.bmp" "$jpg"
      fresh=$work/wout-tarnel.bmp measure tarnel-cli.exe wine "$wcli" uncompress "$jpg" "$work/wout-tarnel.bmp" --yes; } | report
    same "$work/wout-djpeg.bmp" "$work/wout-tarnel.bmp"
    rm -f "$work"/wout-*.bmp
done
