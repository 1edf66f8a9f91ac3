#!/usr/bin/env bash
# Reads the manifest back out of built Tarnel.exe files and checks that each names the processor
# architecture it was built for (Windows refuses to start a program whose manifest names another).
# Usage: check_manifest.sh EXE ARCH [EXE ARCH]...
set -uo pipefail
status=0
while [ $# -ge 2 ]; do
    exe=$1 arch=$2
    shift 2
    identity=$(grep -a -o '<assemblyIdentity type="win32" name="Tarnel"[^>]*>' "$exe" | head -n 1)
    if [[ "$identity" == *"processorArchitecture=\"$arch\""* ]]; then
        echo "ok   $exe: $identity"
    else
        echo "FAIL $exe: expected processorArchitecture=\"$arch\", found: ${identity:-no manifest}"
        status=1
    fi
done
exit $status
