#!/usr/bin/env bash
# Prints the project's version as the build has it (CMake's project version, read from a
# configured release tree), so that no script keeps a second copy of it.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release/CMakeCache.txt
