#!/usr/bin/env bash
# tarnel-cli.exe starts with the libjpeg tools' libraries only: its import list names no GDI32 and
# no ADVAPI32, and transform, whose palettes load GDI32 on their first call, still gives the
# native program's bytes under Wine, also when it replaces a file, which loads ADVAPI32 to give
# the new file the old one's permissions. Usage: check_imports.sh BUILD-MINGW BUILD-NATIVE
set -uo pipefail
mingw=$1
native=$2
repo=$(cd "$(dirname "$0")/../.." && pwd)
winpath() { echo "Z:${1//\//\\}"; }
status=0
if x86_64-w64-mingw32-objdump -p "$mingw/cli/tarnel-cli.exe" | grep -q "DLL Name: \(GDI32\|ADVAPI32\)"; then
    echo "FAIL tarnel-cli.exe imports GDI32 or ADVAPI32 at start"
    status=1
else
    echo "ok   tarnel-cli.exe imports $(x86_64-w64-mingw32-objdump -p "$mingw/cli/tarnel-cli.exe" |
        sed -n 's/.*DLL Name: //p' | tr '\n' ' ')"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$repo/tests/data/resource-8bit.bmp" "$work/in.bmp"
"$native/cli/tarnel-cli" transform "$work/in.bmp" "$work/native.bmp" --rotate 90 --yes
echo "an older file" > "$work/wine.bmp"
bash "$repo/scripts/wine-run.sh" "$mingw/cli/tarnel-cli.exe" transform "$(winpath "$work/in.bmp")" \
    "$(winpath "$work/wine.bmp")" --rotate 90 --yes 2>/dev/null
if cmp -s "$work/native.bmp" "$work/wine.bmp"; then
    echo "ok   transform of an 8-bit bitmap over a file loads GDI32 and ADVAPI32 when it needs them"
else
    echo "FAIL transform under Wine"
    status=1
fi
exit $status
