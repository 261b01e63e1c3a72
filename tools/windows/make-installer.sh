#!/usr/bin/env bash
# Makes the Windows installer from the folder make-zip.sh packed (BUILD_DIR/package/Quillon),
# with NSIS: the same files as the zip, Start-menu entries and an uninstaller.
#   tools/windows/make-installer.sh BUILD_DIR    prints the path of the installer
set -euo pipefail

build=$(cd "${1:?usage: make-installer.sh BUILD_DIR}" && pwd)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
folder="$build/package/Quillon"
installer="$build/quillon-$version-windows-x64-setup.exe"
[ -f "$folder/quillon.exe" ] || { echo "make-installer: run make-zip.sh first" >&2; exit 1; }

# What the uninstaller removes: each installed file, then each folder, the deepest first, and
# only while it is empty.
files="$build/package/installed-files.nsh"
windows_path() { sed 's|^\./||; s|/|\\|g'; }
# shellcheck disable=SC2016 # $INSTDIR is for NSIS to expand
{
    (cd "$folder" && find . -type f | sort | windows_path | sed 's|.*|Delete "$INSTDIR\\&"|')
    (cd "$folder" && find . -mindepth 1 -type d | sort -r | windows_path | sed 's|.*|RMDir "$INSTDIR\\&"|')
} >"$files"

rm -f "$installer"
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSOURCE="$folder" -DFILES="$files" \
    -DICON="$here/../../resources/quillon.ico" -DLICENCE="$folder/licenses/NOTICES.txt" \
    -DOUTFILE="$installer" "$here/installer.nsi" >&2
echo "$installer"
