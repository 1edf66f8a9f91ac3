#!/usr/bin/env bash
# Builds dist/: the Windows installers for x64 and x86 (MSI, made with wixl from
# packaging/tarnel.wxs), a portable zip of the same files, and the Debian package of tarnel-cli
# (CPack). Builds what it packages every time, so nothing stale is packaged. The version is the
# CMake project's.
# Usage: scripts/package.sh [--version X.Y.Z] [--only x64-msi]   (TARNEL_DIST: another folder)
#   --version  another version, for trying an upgrade; --only  just that installer.
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(bash scripts/project-version.sh)
# Each architecture's upgrade code never changes: it is how an installer finds the Tarnel it
# replaces.
readonly upgrade_code_x64=8D2B4E0A-5B1F-4F7C-9C3E-2A6B7D9E1F01
readonly upgrade_code_x86=0C7A3F19-2E64-4B8D-A1F5-6D9E3B2C8A47
only=
while [ $# -gt 0 ]; do
    case $1 in
        --version) version=$2; shift 2 ;;
        --only) only=$2; shift 2 ;;
        *) echo "package.sh: unknown argument $1" >&2; exit 2 ;;
    esac
done
# Windows Installer versions have three fields.
msi_version=$(echo "$version.0.0" | cut -d. -f1-3)
dist=${TARNEL_DIST:-$PWD/dist}
mkdir -p "$dist"


# The same name for the same product: one code per version and architecture.
product_code() { /usr/bin/python3 -c "import uuid; print(str(uuid.uuid5(uuid.UUID('5d1f8a42-6b0c-4d3e-9a57-1c2b3d4e5f60'), 'Tarnel $1 $2')).upper())"; }

# A console finds tarnel-cli by name when its folder is on the machine's PATH (App Paths serve
# only the shell's "Run", not a console). wixl has no Environment table, so it is added to the
# finished installer: appended to PATH on installing, exactly that taken away on uninstalling.
add_install_folder_to_path() {  # MSI
    local idt
    idt=$(mktemp -d)
    printf 'Environment\tName\tValue\tComponent_\ns72\tl255\tL255\ts72\nEnvironment\tEnvironment\n%s\n' \
        'PathEnv	=-*PATH	[~];[INSTALLDIR]	TarnelCli' > "$idt/Environment.idt"
    (cd "$idt" && msibuild "$1" -i Environment.idt)
    msibuild "$1" -q "INSERT INTO InstallExecuteSequence (Action, Sequence) VALUES ('WriteEnvironmentStrings', 5200)"
    msibuild "$1" -q "INSERT INTO InstallExecuteSequence (Action, Sequence) VALUES ('RemoveEnvironmentStrings', 3300)"
    rm -rf "$idt"
}

make_msi() {  # ARCH PRESET UPGRADE-CODE WIN64 PROGRAM-FILES
    local arch=$1 preset=$2 upgrade=$3 win64=$4 programs=$5
    local stage=$dist/stage-$arch
    rm -rf "$stage"
    mkdir -p "$stage"
    cp "build/$preset/app/Tarnel.exe" "build/$preset/cli/tarnel-cli.exe" README.md "$stage/"
    cp LICENSE "$stage/LICENSE.txt"
    cp packaging/tarnel.wxs "$stage/../tarnel-$arch.wxs"
    local msi=$dist/Tarnel-$msi_version-$arch.msi
    # wixl finds the files relative to the folder it runs in.
    (cd "$dist" && wixl -a "$arch" -D Version="$msi_version" \
        -D ProductCode="$(product_code "$arch" "$msi_version")" -D UpgradeCode="$upgrade" \
        -D Win64="$win64" -D ProgramFiles="$programs" -D SourceDir="stage-$arch" \
        -o "$msi" "tarnel-$arch.wxs")
    rm -f "$dist/tarnel-$arch.wxs"
    add_install_folder_to_path "$msi"
    msiinfo suminfo "$msi" | grep -q "Template: $([ "$arch" = x64 ] && echo x64 || echo Intel)" || {
        echo "package.sh: $msi is not for $arch" >&2
        exit 1
    }
    echo "$msi"
}

bash scripts/build-windows.sh mingw Tarnel tarnel-cli
make_msi x64 mingw "$upgrade_code_x64" yes ProgramFiles64Folder
[ "$only" = x64-msi ] && exit 0
bash scripts/build-windows.sh mingw32 Tarnel tarnel-cli
make_msi x86 mingw32 "$upgrade_code_x86" no ProgramFilesFolder

zip=$dist/Tarnel-$msi_version-win64.zip
rm -f "$zip"
(cd "$dist/stage-x64" && /usr/bin/python3 -m zipfile -c "$zip" Tarnel.exe tarnel-cli.exe README.md LICENSE.txt)
echo "$zip"

cmake --build --preset release --target tarnel-cli
(cd build/release && cpack -G DEB >/dev/null)
cp build/release/packages/tarnel-cli_*.deb "$dist/"
ls "$dist"/tarnel-cli_*.deb
