#!/usr/bin/env bash
# The main job from a fresh clone: install and build, then, with a display, start Tarnel.exe
# under Wine with the project's sample bitmap ready to convert; without one, convert the sample
# to JPEG and back with tarnel-cli, saying what happened at each step.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
if [ -n "${DISPLAY:-}" ]; then
    bash scripts/build-windows.sh mingw Tarnel
    mkdir -p build/demo
    cp tests/data/sample.bmp build/demo/sample.bmp
    echo "== Tarnel.exe: type Z:$(pwd | tr / '\\')\\build\\demo\\sample.bmp as the bitmap, then press Jpegに変換"
    source scripts/wine-env.sh
    exec wine build/mingw/app/Tarnel.exe
fi

cmake --preset release >/dev/null
cmake --build --preset release
cli=build/release/cli/tarnel-cli
out=build/demo
mkdir -p "$out"

echo "== tests/data/sample.bmp -> $out/sample.jpg"
"$cli" compress tests/data/sample.bmp "$out/sample.jpg" --yes --time
echo "== $out/sample.jpg -> $out/sample.bmp"
"$cli" uncompress "$out/sample.jpg" "$out/sample.bmp" --yes --time
echo "== 16-colour OS/2 bitmap -> $out/sample-16.bmp"
"$cli" uncompress "$out/sample.jpg" "$out/sample-16.bmp" --colors 16 --os2 --yes --time
ls -l tests/data/sample.bmp "$out"/sample.jpg "$out"/sample.bmp "$out"/sample-16.bmp
