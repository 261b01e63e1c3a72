#!/usr/bin/env bash
# Packs the cross-built programs into a zip that runs on Windows by itself: the programs and the
# demo data (as `cmake --install` lays them out), the Qt DLLs and plugins they load, the runtime
# of the mingw-w64 compiler, the README for Windows users and the licences of all of it. The
# folder it is made of, BUILD_DIR/package/Quillon, is what the installer installs.
#   tools/windows/make-zip.sh BUILD_DIR QT_PREFIX    prints the path of the zip
set -euo pipefail

build=$(cd "${1:?usage: make-zip.sh BUILD_DIR QT_PREFIX}" && pwd)
qt=${2:?usage: make-zip.sh BUILD_DIR QT_PREFIX}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
staging="$build/package"
folder="$staging/Quillon"
zip="$build/quillon-$version-windows-x64.zip"

rm -rf "$staging" "$zip"
cmake --install "$build" --prefix "$folder" >/dev/null
# The demo profiles name the simulator's Linux ports; on Windows the port dialog offers the
# machine's COM ports instead, and the choice made there holds for the next runs.
sed -i '/^portname=/d' "$folder"/*/upload.ini
cp "$qt"/bin/Qt6Core.dll "$qt"/bin/Qt6Gui.dll "$qt"/bin/Qt6Widgets.dll "$folder/"
mkdir -p "$folder/platforms" "$folder/styles"
cp "$qt/plugins/platforms/qwindows.dll" "$folder/platforms/"
# Qt's own texts (the standard buttons and dialogs) in the programs' two languages; Quillon's own
# translation is built into the programs. The programs look for them beside themselves.
mkdir -p "$folder/translations"
cp /usr/share/qt6/translations/qtbase_en.qm /usr/share/qt6/translations/qtbase_ru.qm "$folder/translations/"
cp "$qt"/plugins/styles/*.dll "$folder/styles/"
compiler=x86_64-w64-mingw32-g++-posix
for runtime in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
    cp "$("$compiler" -print-file-name="$runtime")" "$folder/"
done
# Debugging symbols are of no use to the user and would triple the download.
find "$folder" \( -iname '*.exe' -o -iname '*.dll' \) -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
# Windows users read text files with CR LF line ends.
sed 's/$/\r/' "$here/README-Windows.txt" >"$folder/README.txt"
"$here/notices.sh" "$folder" "$qt" "$here/../.."

# Every DLL a program or plugin imports is either in the zip or part of Windows.
shipped=$(cd "$folder" && find . -iname '*.dll' -printf '%f\n' | tr '[:upper:]' '[:lower:]')
missing=$(find "$folder" \( -iname '*.exe' -o -iname '*.dll' \) -exec x86_64-w64-mingw32-objdump -p {} + |
    sed -n 's/^\s*DLL Name: //p' | tr '[:upper:]' '[:lower:]' | sort -u |
    grep -vxF "$shipped" |
    grep -vE '^(api-ms-win-.*|advapi32|comdlg32|d3d9|d3d11|d3d12|dwmapi|dwrite|dxgi|gdi32|imm32|kernel32|msvcrt|netapi32|ntdll|ole32|oleaut32|setupapi|shell32|shlwapi|user32|userenv|uxtheme|version|winmm|ws2_32|wtsapi32|authz|mpr|comctl32|crypt32|bcrypt|secur32|dnsapi|iphlpapi|shcore|wtsapi32|winspool.drv)\.dll$' || true)
if [ -n "$missing" ]; then
    echo "make-zip: imported but neither shipped nor part of Windows: $missing" >&2
    exit 1
fi
(cd "$staging" && zip -qr -9 "$zip" Quillon)
echo "$zip"
