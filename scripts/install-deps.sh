#!/usr/bin/env bash
# Installs the Debian packages that Tarnel's native build and tests need. Idempotent: packages
# already present are not fetched again. Runs as root, or through sudo for anyone else.
set -euo pipefail

packages=(
    cmake
    ninja-build
    g++
    pkg-config
    googletest
    libjpeg62-turbo-dev
    libjpeg-turbo-progs
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
