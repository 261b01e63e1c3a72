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

# What the installer puts where, and what the uninstaller takes away. The programs, their
# libraries and plugins, the README and the licences belong to the installation: replaced by every
# install, removed by the uninstaller. The catalogue and the type folders are data a user may edit:
# the installer writes such a file only where there is none, or where it is as an earlier install
# left it, and the uninstaller removes it only when it still is; a changed one stays. Folders go
# when they are empty, the deepest first.
install_list="$build/package/install-files.nsh"
remove_list="$build/package/remove-files.nsh"
windows_path() { sed 's|^\./||; s|/|\\|g'; }
is_program() { [[ $1 =~ ^\./[^/]+\.(exe|dll)$ || $1 == ./README.txt || $1 =~ ^\./(platforms|styles|licenses)/ ]]; }
# shellcheck disable=SC2016 # $INSTDIR is for NSIS to expand
{
    (cd "$folder" && find . -mindepth 1 -type d | sort | windows_path | sed 's|.*|CreateDirectory "$INSTDIR\\&"|')
    (cd "$folder" && find . -type f | sort) | while read -r file; do
        name=$(windows_path <<<"$file")
        if is_program "$file"; then
            echo "File \"/oname=\$INSTDIR\\$name\" \"\${SOURCE}\\$name\""
        else
            echo "!insertmacro InstallData \"$name\""
        fi
    done
} >"$install_list"
# shellcheck disable=SC2016
{
    (cd "$folder" && find . -type f | sort) | while read -r file; do
        name=$(windows_path <<<"$file")
        if is_program "$file"; then
            echo "Delete \"\$INSTDIR\\$name\""
        else
            echo "!insertmacro RemoveData \"$name\""
        fi
    done
    (cd "$folder" && find . -mindepth 1 -type d | sort -r | windows_path | sed 's|.*|RMDir "$INSTDIR\\&"|')
} >"$remove_list"

rm -f "$installer"
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSOURCE="$folder" \
    -DINSTALL_FILES="$install_list" -DREMOVE_FILES="$remove_list" \
    -DICON="$here/../../resources/quillon.ico" -DLICENCE="$folder/licenses/NOTICES.txt" \
    -DOUTFILE="$installer" "$here/installer.nsi" >&2
echo "$installer"
