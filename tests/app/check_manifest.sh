#!/usr/bin/env bash
# Reads the manifest back out of built Tarnel.exe files and checks that each names the processor
# architecture it was built for (Windows refuses to start a program whose manifest names another),
# declares itself aware of each monitor's display scale and names Windows 7 to 11 as supported.
# Usage: check_manifest.sh EXE ARCH [EXE ARCH]...
set -uo pipefail
status=0
while [ $# -ge 2 ]; do
    exe=$1 arch=$2
    shift 2
    manifest=$(tr -d '\000' < "$exe" | sed -n '/<assembly xmlns/,/<\/assembly>/p')
    identity=$(grep -o '<assemblyIdentity type="win32" name="Tarnel"[^>]*>' <<< "$manifest" | head -n 1)
    if [[ "$identity" == *"processorArchitecture=\"$arch\""* ]]; then
        echo "ok   $exe: $identity"
    else
        echo "FAIL $exe: expected processorArchitecture=\"$arch\", found: ${identity:-no manifest}"
        status=1
    fi
    # Windows 7, 8, 8.1, 10 and 11 (one id for the last two).
    for entry in '>true/pm</dpiAware>' '>PerMonitorV2, PerMonitor</dpiAwareness>' \
        '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}' '{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}' \
        '{1f676c76-80e1-4239-95bb-83d0f6d0da78}' '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}'; do
        if grep -qF -- "$entry" <<< "$manifest"; then
            echo "ok   $exe: $(grep -oF -- "$entry" <<< "$manifest" | head -n 1)"
        else
            echo "FAIL $exe: no $entry in its manifest"
            status=1
        fi
    done
done
exit $status
