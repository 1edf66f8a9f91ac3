#!/usr/bin/env bash
# Window and automation tests of Tarnel.exe under Xvfb and Wine (registration for a user who may
# not write the machine's classes included): dib_paint.exe paints bitmaps into
# a window and reads them back, gui_driver.exe drives the dialog, dialog_check.exe the window
# framework's dialog procedure (escaping exceptions, F1), copy_status_check.exe the tree copy's
# status window, auto_client.exe and a VBScript run by Wine's cscript drive "Tarnel.Application";
# then at 96, 144 and 192 dots per inch scale_check.exe measures the texts of Tarnel's dialogs and
# the status window and preview_dialog_check.exe drives the bitmap open dialog in both styles.
# This script provides the input files, takes the screenshots the drivers ask for, and compares
# every converted file with cjpeg and djpeg.
# Usage: run_gui_tests.sh BUILD_DIR (the MinGW build folder)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
build=$(cd "$1" && pwd)
source "$repo/scripts/wine-env.sh"

work=$build/gui-work
sync=$build/gui-sync
shots=$build/screenshots
winpath() { echo "Z:${1//\//\\}"; }

# Screenshots on request of the drivers, while they run; the watcher's process id in $watcher.
watch_for_screenshots() {
    ( while :; do
          for req in "$sync"/*.req; do
              [ -e "$req" ] || continue
              name=$(basename "$req" .req)
              sleep 0.5
              import -window root "$shots/$name.png"
              rm -f "$req"; touch "$sync/$name.done"
          done
          sleep 0.2
      done ) &
    watcher=$!
}

run_under_display() {
    watch_for_screenshots
    timeout --kill-after=10 240 wine "$build/tests/gui_driver.exe" "$(winpath "$build/app/Tarnel.exe")" \
        "$(winpath "$work")" "$(winpath "$sync")"
    local status=$?
    timeout --kill-after=10 60 wine "$build/tests/copy_status_check.exe" "$(winpath "$work")" \
        "$(winpath "$sync")" > "$work/status.log" 2>&1
    cat "$work/status.log"
    grep -q "STATUS SUMMARY: checks=[0-9]* failures=0" "$work/status.log" || status=1
    kill "$watcher" 2>/dev/null

    timeout --kill-after=10 60 wine "$build/tests/dialog_check.exe" > "$work/dialog.log" 2>&1
    grep -av "fixme" "$work/dialog.log"
    grep -aq "DIALOG SUMMARY: checks=[0-9]* failures=0" "$work/dialog.log" || status=1

    timeout --kill-after=10 60 wine "$build/tests/dib_paint.exe" \
        "$(winpath "$repo/tests/data/resource-8bit.bmp")" > "$work/paint.log" 2>&1
    cat "$work/paint.log"
    grep -q "PAINT SUMMARY: checks=[0-9]* failures=0" "$work/paint.log" || status=1

    timeout --kill-after=10 180 wine "$build/tests/auto_client.exe" "$(winpath "$build/app/Tarnel.exe")" \
        "$(winpath "$work")" || status=1

    # Wine's cscript reads scripts in the ANSI code page and exits 0 even on script errors:
    # the summary line is the proof.
    iconv -f UTF-8 -t CP932 "$here/convert.vbs" > "$work/convert.vbs"
    timeout --kill-after=10 120 wine cscript.exe //nologo "$(winpath "$work/convert.vbs")" \
        "$(winpath "$work/in.bmp")" "$(winpath "$work/vbs.jpg")" "$(winpath "$work/vbs.bmp")" \
        > "$work/vbs.log" 2>&1
    cat "$work/vbs.log"
    grep -q "VBS SUMMARY: converted" "$work/vbs.log" || status=1

    # A user who may not write the machine's classes: the start registers the server under the
    # user's own, where COM on Windows finds it (Wine 8 reads the machine's classes only, so
    # automation through them is not tried here); /Unregserver removes it from wherever it is.
    registered() { wine reg query "$1\\Software\\Classes\\Tarnel.Application" >/dev/null 2>&1; }
    timeout --kill-after=10 60 wine "$build/app/Tarnel.exe" /Unregserver
    if registered HKLM || registered HKCU; then
        echo "FAIL registration left after /Unregserver"; status=1
    fi
    TARNEL_TEST_READ_ONLY_CLASSES=1 timeout --kill-after=10 60 wine "$build/app/Tarnel.exe" &
    local tarnel=$!
    for _ in $(seq 150); do registered HKCU && break; sleep 0.2; done
    pkill -x Tarnel.exe; wait "$tarnel" 2>/dev/null
    if registered HKCU && ! registered HKLM; then
        echo "ok   registered under the user's classes when the machine's refuse"
    else
        echo "FAIL per-user registration"; status=1
    fi
    local clsid='{9DFC3A6D-BA2C-43DF-82B0-F0D911104E3F}'
    if wine reg query "HKCU\\Software\\Classes\\CLSID\\$clsid\\LocalServer32" | tr -d '\r' |
        grep -qF "$(winpath "$build/app/Tarnel.exe")\" /Automation"; then
        echo "ok   the user's registration names this Tarnel.exe as the server"
    else
        echo "FAIL the user's registration"; status=1
    fi
    if timeout --kill-after=10 60 wine "$build/app/Tarnel.exe" /Unregserver &&
        ! registered HKLM && ! registered HKCU; then
        echo "ok   /Unregserver leaves no registration and exits with 0"
    else
        echo "FAIL registration left after /Unregserver, or a failure reported"; status=1
    fi

    wineserver -k 2>/dev/null
    return $status
}

# The windows whose sizes follow the display scale, at one scale: Tarnel's dialogs and the copy
# status window, and both open dialogs with a picture in the pane.
run_at_scale() {  # DPI
    local dpi=$1 status=0
    watch_for_screenshots
    timeout --kill-after=10 60 wine "$build/tests/scale_check.exe" \
        "$(winpath "$build/app/Tarnel.exe")" "$(winpath "$sync")" "$dpi" > "$work/scale.log" 2>&1
    grep -av "fixme" "$work/scale.log"
    grep -aq "SCALE SUMMARY: checks=[0-9]* failures=0" "$work/scale.log" || status=1
    for style in explorer old; do
        timeout --kill-after=10 120 wine "$build/tests/preview_dialog_check.exe" "$(winpath "$work")" \
            "$(winpath "$sync")" "$(winpath "$repo/tests/data/resource-8bit.bmp")" $style \
            > "$work/preview-$style.log" 2>&1
        grep -av "fixme\|Read access denied" "$work/preview-$style.log"
        grep -aq "PREVIEW [A-Z]* SUMMARY: checks=[0-9]* failures=0" "$work/preview-$style.log" ||
            status=1
    done
    kill "$watcher" 2>/dev/null
    wineserver -k 2>/dev/null
    return $status
}

# The display scale as Windows stores it; programs started afterwards are shown at it.
set_display_scale() {  # DPI
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
    wine reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
        /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
    wineserver -w
}

# Second entry: inside the virtual display.
if [ "${2:-}" = "--inside-display" ]; then
    run_under_display
    exit $?
fi
if [ "${2:-}" = "--at-scale" ]; then
    run_at_scale "$3"
    exit $?
fi

# A desktop that programs without a display started must not serve the windows here.
wineserver -k 2>/dev/null || true
rm -rf "$work" "$sync"
mkdir -p "$work" "$sync" "$shots"
cp "$repo/tests/data/sample.bmp" "$work/in.bmp"
cp "$repo/tests/data/sample.bmp" "$work/写真.bmp"
# A 32-bit bitmap, which only the reader of every layout takes, and one of 3 bits per pixel.
# deep.bmp, and plain.bmp: the same picture in 24 bits, which cjpeg reads.
/usr/bin/python3 -c 'import struct, sys
w, h = 45, 29
def bitmap(name, bits):
    pixel = lambda x, y: bytes([x * 5, y * 8, 100, 0][: bits // 8])
    row = lambda y: b"".join(pixel(x, y) for x in range(w))
    pixels = b"".join(row(y) + bytes(-len(row(y)) % 4) for y in range(h))
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, 0, len(pixels), 2835, 2835, 0, 0)
    with open(name, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54) + info + pixels)
bitmap(sys.argv[1], 32)
bitmap(sys.argv[2], 24)' "$work/deep.bmp" "$work/plain.bmp"
cp "$repo/tests/data/sample.bmp" "$work/broken.bmp"
printf '\x03' | dd of="$work/broken.bmp" bs=1 seek=28 conv=notrunc status=none
cjpeg -outfile "$work/full.jpg" "$work/in.bmp"
# What the file dialogs list: a folder, a bitmap, a JPEG.
mkdir -p "$work/pick/sub"
cp "$repo/tests/data/sample.bmp" "$work/pick/photo.bmp"
# Not what the conversion writes: the run through the preview dialog must replace it.
cjpeg -quality 50 -outfile "$work/pick/photo.jpg" "$work/pick/photo.bmp"
head -c $(( $(stat -c %s "$work/full.jpg") - 300 )) "$work/full.jpg" > "$work/cut.jpg"

xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash "$0" "$build" --inside-display
driver_status=$?
for dpi in 96 144 192; do
    set_display_scale "$dpi"
    xvfb-run -a -s "-screen 0 2048x1536x24 -nolisten tcp" bash "$0" "$build" --at-scale "$dpi" ||
        driver_status=1
done
set_display_scale 96

failures=0
compare() {  # NAME OURS PEER-COMMAND...
    local name=$1 ours=$2
    shift 2
    if "$@" > "$work/peer.out" 2>/dev/null && cmp -s "$ours" "$work/peer.out"; then
        echo "ok   $name identical"
    else
        echo "FAIL $name differs"
        failures=$((failures + 1))
    fi
}
compare "out.jpg against cjpeg" "$work/out.jpg" cjpeg "$work/in.bmp"
compare "back.bmp against djpeg -bmp" "$work/back.bmp" djpeg -bmp "$work/out.jpg"
compare "back16.bmp against djpeg -os2 -colors 16" "$work/back16.bmp" djpeg -os2 -colors 16 "$work/out.jpg"
compare "写真.jpg against cjpeg" "$work/写真.jpg" cjpeg "$work/in.bmp"
compare "deep.jpg (32-bit) against cjpeg of the same picture in 24 bits" "$work/deep.jpg" cjpeg \
    "$work/plain.bmp"
compare "deep.jpg against tarnel-cli.exe's" "$work/deep.jpg" bash -c \
    'timeout 60 wine "$1" compress "$2" "$3" >/dev/null 2>&1 && cat "$4"' _ \
    "$build/cli/tarnel-cli.exe" "$(winpath "$work/deep.bmp")" "$(winpath "$work/deep-cli.jpg")" \
    "$work/deep-cli.jpg"
compare "pick/photo.jpg (chosen with preview) against cjpeg" "$work/pick/photo.jpg" cjpeg \
    "$work/pick/photo.bmp"
compare "automation auto.jpg against cjpeg" "$work/auto.jpg" cjpeg "$work/in.bmp"
compare "automation auto.bmp against djpeg -bmp" "$work/auto.bmp" djpeg -bmp "$work/auto.jpg"
compare "VBScript vbs.jpg against cjpeg" "$work/vbs.jpg" cjpeg "$work/in.bmp"
compare "VBScript vbs.bmp against djpeg -bmp" "$work/vbs.bmp" djpeg -bmp "$work/vbs.jpg"
shots_at_scale=()
for dpi in 96 144 192; do
    shots_at_scale+=("main-$dpi" "version-$dpi" "copy-status-$dpi" "preview-explorer-$dpi" "preview-older-$dpi")
done
for shot in main version copy-status "${shots_at_scale[@]}"; do
    if [ -s "$shots/$shot.png" ]; then
        echo "ok   screenshot $shots/$shot.png"
    else
        echo "FAIL no screenshot $shot"
        failures=$((failures + 1))
    fi
done
echo "GUI FILES: failures=$failures"
[ "$driver_status" -eq 0 ] && [ "$failures" -eq 0 ]
