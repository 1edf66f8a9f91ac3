#!/usr/bin/env bash
# Installs the Debian packages that Tarnel's builds and tests need: the native build, clang with
# libFuzzer for the fuzz targets, the Windows cross-build (MinGW-w64, nasm for libjpeg's SIMD
# code, dpkg-dev to unpack its Debian source), and Wine with a virtual display, a Japanese locale
# and font for running the Windows programs; ImageMagick and Pillow (python3-pil) as references
# for the golden tests; wixl and msitools for the Windows installers.
# Idempotent: packages already present are not fetched again. Runs as root, or through sudo.
set -euo pipefail

packages=(
    cmake
    ninja-build
    g++
    pkg-config
    googletest
    libjpeg62-turbo-dev
    libjpeg-turbo-progs
    clang
    clang-format
    libclang-rt-14-dev
    g++-mingw-w64-x86-64
    g++-mingw-w64-i686
    nasm
    dpkg-dev
    wine
    wine64
    xvfb
    xauth
    locales
    fonts-ipafont-gothic
    imagemagick
    python3-pil
    wixl
    msitools
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: all ${#packages[@]} packages present"
    exit 0
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    as_root=(sudo)
fi

echo "install-deps: installing ${missing[*]}"
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
