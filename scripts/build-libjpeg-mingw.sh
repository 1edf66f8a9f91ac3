#!/usr/bin/env bash
# Builds libjpeg-turbo 2.1.5 for Windows (MinGW-w64, static, with its SIMD code as on Linux, so
# results and speed match) from Debian's source package into build/mingw-deps (64-bit) or
# build/mingw32-deps (32-bit). Built once: a finished prefix is reused. The deb-src entries are derived from this machine's own apt
# configuration into a private list, leaving the system's untouched.
# Usage: build-libjpeg-mingw.sh [x86_64|i686]   (default x86_64; i686 goes to build/mingw32-deps)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
arch=${1:-x86_64}
case "$arch" in
    x86_64) prefix=$root/build/mingw-deps ;;
    i686) prefix=$root/build/mingw32-deps ;;
    *) echo "build-libjpeg-mingw: unknown architecture $arch" >&2; exit 2 ;;
esac
if [ -f "$prefix/lib/libjpeg.a" ] && [ -f "$prefix/include/jpeglib.h" ]; then
    echo "build-libjpeg-mingw: using $prefix"
    exit 0
fi

work=$prefix-src
rm -rf "$work"
mkdir -p "$work/lists/partial" "$work/archives/partial"

# Types: deb -> deb-src, in a copy of the machine's own sources.
sources=()
for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && sources+=("$f")
done
: > "$work/src.sources"
for f in "${sources[@]}"; do
    sed -E 's/^Types:.*\bdeb\b.*/Types: deb-src/' "$f" >> "$work/src.sources"
    echo >> "$work/src.sources"
done
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] && grep -E '^deb ' "$f" | sed 's/^deb /deb-src /' >> "$work/src.list" || true
done
touch "$work/src.list"
mkdir -p "$work/parts"
cp "$work/src.sources" "$work/parts/src.sources"

apt_opts=(-o "Dir::Etc::SourceList=$work/src.list" -o "Dir::Etc::SourceParts=$work/parts"
          -o "Dir::State::Lists=$work/lists" -o "Dir::Cache::Archives=$work/archives"
          -o "APT::Sandbox::User=root")
apt-get "${apt_opts[@]}" update -qq
(cd "$work" && apt-get "${apt_opts[@]}" source -qq --download-only libjpeg-turbo=1:2.1.5-2 \
    && dpkg-source -x --skip-patches libjpeg-turbo_2.1.5-2.dsc src >/dev/null)

cmake -S "$work/src" -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=ON -DWITH_TURBOJPEG=OFF \
    -DWITH_JPEG8=OFF -DCMAKE_POSITION_INDEPENDENT_CODE=OFF >/dev/null
cmake --build "$work/build" -j2 --target jpeg-static >/dev/null
mkdir -p "$prefix/lib" "$prefix/include"
cp "$work/build/libjpeg.a" "$prefix/lib/libjpeg.a"
cp "$work/build/jconfig.h" "$work/src/jerror.h" "$work/src/jmorecfg.h" "$work/src/jpeglib.h" "$prefix/include/"
echo "build-libjpeg-mingw: built $prefix/lib/libjpeg.a"
