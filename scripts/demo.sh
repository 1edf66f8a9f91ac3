#!/usr/bin/env bash
# The main job from a fresh clone: install, build, and convert the project's sample bitmap to
# JPEG and back with tarnel-cli, saying what happened at each step.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
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
