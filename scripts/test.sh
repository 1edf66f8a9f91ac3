#!/usr/bin/env bash
# The whole test run: install what is needed, build the native debug and sanitizer
# configurations and the Windows one, and run every suite: natively, under the sanitizers (the
# command line's also under ThreadSanitizer), and
# under Wine (the window tests under a virtual display); fuzz the readers for a bounded time;
# make the packages and install the Windows one under Wine. Exits non-zero when anything fails.
# The native suites run first: they leave cjpeg/djpeg's answers for the Windows suites.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

echo "=== layers and style"
bash scripts/check-layers.sh
bash scripts/check-format.sh

for preset in debug asan; do
    echo "=== $preset: configure and build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    echo "=== $preset: test"
    ctest --preset "$preset"
done

echo "=== tsan: the suites whose runs use threads (batches side by side, rows moved on a second thread)"
cmake --preset tsan >/dev/null
cmake --build --preset tsan
ctest --preset tsan

echo "=== fuzz: every target, a bounded time each"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
bash fuzz/run.sh build/fuzz 45

echo "=== mingw: libjpeg for Windows, configure and build"
bash scripts/build-windows.sh mingw
echo "=== mingw: test under Wine"
source scripts/wine-env.sh  # creates the private prefix once, before tests run side by side
trap 'wineserver -k 2>/dev/null || true' EXIT
ctest --preset mingw
echo "=== screenshots: build/mingw/screenshots/"
echo "=== tarnel-cli.exe starts without GDI32"
bash tests/cli/check_imports.sh build/mingw build/debug

echo "=== mingw32: 32-bit Windows, compiled and linked (nothing 32-bit runs here)"
bash scripts/build-windows.sh mingw32
echo "=== manifests: each executable names its own architecture"
bash tests/app/check_manifest.sh build/mingw/app/Tarnel.exe amd64 build/mingw32/app/Tarnel.exe x86

echo "=== packages: the Windows installers, the zip and the .deb, installed and removed under Wine"
bash scripts/package.sh
bash tests/install/run_install_tests.sh
