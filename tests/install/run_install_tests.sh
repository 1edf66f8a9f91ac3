#!/usr/bin/env bash
# The packages scripts/package.sh left in dist/: the x64 installer installed silently under Wine
# (files, Start-menu shortcut, "Tarnel.Application" registered at the installed path, "Open with"
# for bitmaps and JPEGs, tarnel-cli found by a new console), driven by
# the VBScript client from another folder, its tarnel-cli.exe converting, a newer version
# installed over it, and everything gone after uninstalling; the x86 installer, the zip and the
# .deb read back.
# Usage: tests/install/run_install_tests.sh (after scripts/package.sh; needs a display for the
# automation server, which it makes with Xvfb)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
build=$repo/build/mingw
dist=$repo/dist
work=$build/install-work
version=$(bash "$repo/scripts/project-version.sh")
version=$(echo "$version.0.0" | cut -d. -f1-3)
next=$(echo "$version" | awk -F. '{print $1 "." $2 "." $3 + 1}')
not() { ! "$@"; }
winpath() { echo "Z:${1//\//\\}"; }

failures=0
check() {  # WHAT COMMAND...
    local what=$1
    shift
    if "$@"; then
        echo "ok   $what"
    else
        echo "FAIL $what"
        failures=$((failures + 1))
    fi
}

if [ "${1:-}" != "--inside-display" ]; then
    rm -rf "$work"
    mkdir -p "$work/elsewhere"
    xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash "$0" --inside-display
    exit $?
fi

source "$repo/scripts/wine-env.sh"
wineserver -k 2>/dev/null || true
clsid='{9DFC3A6D-BA2C-43DF-82B0-F0D911104E3F}'
programs="$WINEPREFIX/drive_c/Program Files/Tarnel"
registered() { wine reg query "HKLM\\Software\\Classes\\$1" >/dev/null 2>&1; }
shortcut() { find "$WINEPREFIX/drive_c" -path '*Start Menu*' -name Tarnel.lnk | grep -q .; }
installed_versions() {
    wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null |
        tr -d '\r' | awk '/DisplayName.*Tarnel$/ {n++} /DisplayVersion/ {v = $NF} END {print n + 0}'
}
msi=$dist/Tarnel-$version-x64.msi

# No registration of a development build may stand in for the installed one.
timeout 60 wine "$build/app/Tarnel.exe" /Unregserver
# The user chose another program for JPEGs; installing and uninstalling leave that choice alone.
extensions=(bmp dib jpg jpeg jpe jfif)
classes='HKLM\Software\Classes'
wine reg add "$classes\\.jpg" /ve /d Viewer.Jpeg /f >/dev/null
default_program() { wine reg query "$classes\\.$1" /ve 2>/dev/null | tr -d '\r' | awk 'NF > 2 {print $NF}'; }
# Wine's installer leaves the separator it appended with the folder: the folder is what counts.
machine_path() { wine reg query 'HKLM\System\CurrentControlSet\Control\Session Manager\Environment' /v PATH | tr -d '\r' | sed -n 's/.*REG_[A-Z_]*SZ *//p' | sed 's/;*$//'; }
# A console started anew, as a user opens one after installing.
console_runs_cli() { wineserver -w; timeout 60 wine cmd /c 'tarnel-cli --help' 2>/dev/null | grep -q compress; }
# Wine's cmd stops searching PATH at an empty entry, which an earlier run's separator would make.
wine reg add 'HKLM\System\CurrentControlSet\Control\Session Manager\Environment' /v PATH \
    /t REG_EXPAND_SZ /d "$(machine_path)" /f >/dev/null 2>&1
path_before=$(machine_path)
timeout 120 wine msiexec /i "$(winpath "$msi")" /qn
for file in Tarnel.exe tarnel-cli.exe README.md LICENSE.txt; do
    check "installed $file" test -s "$programs/$file"
done
check "a Start-menu shortcut" shortcut
check "Tarnel.Application's server is the installed program" bash -c \
    "wine reg query 'HKLM\\Software\\Classes\\CLSID\\$clsid\\LocalServer32' | tr -d '\\r' | grep -qF 'C:\\Program Files\\Tarnel\\Tarnel.exe\" /Automation'"

# "Open with": the application, its types, its command and an entry under each extension.
check "Open with runs the installed program on the file" bash -c \
    "wine reg query '$classes\\Applications\\Tarnel.exe\\shell\\open\\command' /ve | tr -d '\\r' | grep -qF '\"C:\\Program Files\\Tarnel\\Tarnel.exe\" \"%1\"'"
for ext in "${extensions[@]}"; do
    check "Tarnel supports .$ext and is in its Open-with list" bash -c \
        "wine reg query '$classes\\Applications\\Tarnel.exe\\SupportedTypes' /v .$ext >/dev/null && wine reg query '$classes\\.$ext\\OpenWithList\\Tarnel.exe' >/dev/null"
done
check "the user's program for .jpg is still the default" test "$(default_program jpg)" = Viewer.Jpeg
check "a new console runs tarnel-cli by name" console_runs_cli

# A standard user (the machine's classes refuse writes) starts the installed program: the
# machine's registration names it, so none is written for the user, and one an older version
# left that only repeats the machine's goes; nothing of the user's can outlive uninstalling.
user_registered() { wine reg query 'HKCU\Software\Classes\Tarnel.Application' >/dev/null 2>&1; }
wine reg add 'HKCU\Software\Classes\Tarnel.Application' /ve /d Tarnel.Application /f >/dev/null
wine reg add "HKCU\\Software\\Classes\\CLSID\\$clsid\\LocalServer32" /ve \
    /d '"C:\Program Files\Tarnel\Tarnel.exe" /Automation' /f >/dev/null
TARNEL_TEST_READ_ONLY_CLASSES=1 timeout 60 wine "$programs/Tarnel.exe" &
tarnel=$!
for _ in $(seq 150); do user_registered || break; sleep 0.2; done
sleep 1
pkill -x Tarnel.exe
wait "$tarnel" 2>/dev/null
check "a standard user's start leaves the user's classes without Tarnel.Application" \
    bash -c "! wine reg query 'HKCU\\Software\\Classes\\Tarnel.Application' >/dev/null 2>&1"
# /Unregserver run by that user cannot remove the machine's registration, and says so.
TARNEL_TEST_READ_ONLY_CLASSES=1 timeout 60 wine "$programs/Tarnel.exe" /Unregserver
check "/Unregserver exits with 1 when the machine's classes keep the registration" test $? = 1
check "and the machine's registration is still whole" registered "CLSID\\$clsid\\LocalServer32"

# Automation from another folder, against the installed server.
cp "$repo/tests/data/sample.bmp" "$work/elsewhere/in.bmp"
iconv -f UTF-8 -t CP932 "$repo/tests/gui/convert.vbs" > "$work/elsewhere/convert.vbs"
(cd "$work/elsewhere" && timeout 120 wine cscript.exe //nologo convert.vbs \
    "$(winpath "$work/elsewhere/in.bmp")" "$(winpath "$work/elsewhere/out.jpg")" \
    "$(winpath "$work/elsewhere/out.bmp")" > "$work/vbs.log" 2>&1)
check "the VBScript client drives the installed server" grep -q "VBS SUMMARY: converted" "$work/vbs.log"
check "its JPEG is cjpeg's" bash -c "cjpeg '$work/elsewhere/in.bmp' | cmp -s - '$work/elsewhere/out.jpg'"
check "its bitmap is djpeg's" bash -c \
    "djpeg -bmp '$work/elsewhere/out.jpg' | cmp -s - '$work/elsewhere/out.bmp'"
pkill -x Tarnel.exe 2>/dev/null

# The installed command line.
timeout 60 wine "$programs/tarnel-cli.exe" compress "$(winpath "$work/elsewhere/in.bmp")" \
    "$(winpath "$work/cli.jpg")" >/dev/null 2>&1
check "the installed tarnel-cli.exe converts as cjpeg" bash -c \
    "cjpeg '$work/elsewhere/in.bmp' | cmp -s - '$work/cli.jpg'"

# A newer version takes the older one's place.
TARNEL_DIST=$work bash "$repo/scripts/package.sh" --version "$next" --only x64-msi >/dev/null
timeout 120 wine msiexec /i "$(winpath "$work/Tarnel-$next-x64.msi")" /qn
check "after installing $next over $version one Tarnel is installed" test "$(installed_versions)" = 1
check "and it is $next" bash -c "wine reg query 'HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall' /s | tr -d '\\r' | grep -q 'DisplayVersion.*$next'"

timeout 120 wine msiexec /x "$(winpath "$work/Tarnel-$next-x64.msi")" /qn
check "uninstalled: no files" test ! -e "$programs"
check "uninstalled: no shortcut" bash -c \
    "! find '$WINEPREFIX/drive_c' -path '*Start Menu*' -name Tarnel.lnk | grep -q ."
check "uninstalled: no ProgID" bash -c "! wine reg query 'HKLM\\Software\\Classes\\Tarnel.Application' >/dev/null 2>&1"
check "uninstalled: no class" bash -c "! wine reg query 'HKLM\\Software\\Classes\\CLSID\\$clsid' >/dev/null 2>&1"
check "uninstalled: nothing in the user's classes" bash -c \
    "! wine reg query 'HKCU\\Software\\Classes\\Tarnel.Application' >/dev/null 2>&1 && ! wine reg query 'HKCU\\Software\\Classes\\CLSID\\$clsid' >/dev/null 2>&1"
check "uninstalled: nothing listed" test "$(installed_versions)" = 0
check "uninstalled: no application for Open with" bash -c \
    "! wine reg query '$classes\\Applications\\Tarnel.exe' >/dev/null 2>&1"
for ext in "${extensions[@]}"; do
    check "uninstalled: .$ext has no Tarnel entry" bash -c \
        "! wine reg query '$classes\\.$ext\\OpenWithList\\Tarnel.exe' >/dev/null 2>&1"
done
check "uninstalled: the user's program for .jpg is still the default" test "$(default_program jpg)" = Viewer.Jpeg
check "uninstalled: PATH is as before" test "$(machine_path)" = "$path_before"
check "uninstalled: a new console no longer finds tarnel-cli" not console_runs_cli
wineserver -k 2>/dev/null || true

# The other packages, read back.
x86=$dist/Tarnel-$version-x86.msi
check "the x86 installer is for Intel processors" bash -c "msiinfo suminfo '$x86' | grep -q 'Template: Intel'"
check "the x86 installer holds both programs" bash -c \
    "msiinfo export '$x86' File | grep -q Tarnel.exe && msiinfo export '$x86' File | grep -q tarnel-cli.exe"
check "the zip holds the programs, the README and the license" bash -c \
    "/usr/bin/python3 -m zipfile -l '$dist/Tarnel-$version-win64.zip' | grep -c 'Tarnel.exe\|tarnel-cli.exe\|README.md\|LICENSE.txt' | grep -qx 4"
deb=$(ls "$dist"/tarnel-cli_*.deb | head -n 1)
dpkg-deb -c "$deb" > "$work/deb-contents"
check "the .deb installs tarnel-cli and its manual page" bash -c \
    "grep -q './usr/bin/tarnel-cli' '$work/deb-contents' && grep -q 'man1/tarnel-cli.1' '$work/deb-contents'"
rm -rf "$work/deb" && dpkg-deb -x "$deb" "$work/deb"
check "the packaged tarnel-cli runs" bash -c "'$work/deb/usr/bin/tarnel-cli' --version | grep -q 'tarnel-cli $(echo "$version" | cut -d. -f1-2)'"

echo "INSTALL SUMMARY: failures=$failures"
[ "$failures" -eq 0 ]
