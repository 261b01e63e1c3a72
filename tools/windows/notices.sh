#!/usr/bin/env bash
# The licence texts and notices of everything the Windows programs ship, into FOLDER/licenses:
# ours; Qt's, as Debian's copyright file of the qt6-base source the DLLs were built from (it
# covers the third-party code built into Qt too); the copyright files of the Debian packages the
# compiler's runtime DLLs come from; every full licence text those files point to; and
# NOTICES.txt, which says which file is under which licence and where its source is.
#   tools/windows/notices.sh FOLDER QT_PREFIX SOURCE_DIR
# QT_PREFIX is build-qt.sh's install folder, with Debian's source package beside it.
set -euo pipefail

folder=$(cd "${1:?usage: notices.sh FOLDER QT_PREFIX SOURCE_DIR}" && pwd)
qt=${2:?}
source=$(cd "${3:?}" && pwd)
licences="$folder/licenses"
rm -rf "$licences"
mkdir -p "$licences"

qt_debian=$(ls "$(dirname "$qt")"/qt6-base_*.debian.tar.xz)
qt_source_version=$(basename "$qt_debian" .debian.tar.xz)
qt_source_version=${qt_source_version#qt6-base_}
qt_version=${qt_source_version%%+*}
tar -xOf "$qt_debian" debian/copyright >"$licences/qt6-base.txt"
cp "$source/LICENSE" "$licences/Quillon.txt"

# runtime_notice DLL...: the Debian package each runtime DLL comes from, its copyright file
# beside the others, and a line of NOTICES.txt for it.
runtime_notice() {
    local dll path package version
    for dll in "$@"; do
        path=$(readlink -f "$(x86_64-w64-mingw32-g++-posix -print-file-name="$dll")")
        package=$(dpkg-query -S "$path" | head -n 1 | cut -d: -f1)
        version=$(dpkg-query -W -f='${Version}' "$package")
        cp "/usr/share/doc/$package/copyright" "$licences/$package.txt"
        echo "$dll: from Debian's $package $version; licenses/$package.txt."
    done
}
runtime=$(runtime_notice libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)

# The copyright files name the common licences by their place on a Debian system.
for text in $(grep -ho '/usr/share/common-licenses/[A-Za-z0-9.+-]*' "$licences"/*.txt | sort -u) \
    /usr/share/common-licenses/GPL-3 /usr/share/common-licenses/LGPL-3; do
    [ -f "$text" ] && cp "$text" "$licences/$(basename "$text").txt"
done

cat >"$licences/NOTICES.txt" <<NOTICES
What this folder holds, and under which licences
================================================

quillon.exe, quillon-flash.exe and the demonstration data (Quillon_dir.ini and the
type folders): Quillon, under the MIT licence; licenses/Quillon.txt.

Qt6Core.dll, Qt6Gui.dll, Qt6Widgets.dll and the plugins in platforms\\ and styles\\:
Qt $qt_version, under the GNU Lesser General Public License version 3
(licenses/LGPL-3.txt, which adds to licenses/GPL-3.txt). The third-party code built
into them (PCRE2, zlib, HarfBuzz, FreeType, libpng, libjpeg, double-conversion, md4c
and others) is under the licences that licenses/qt6-base.txt lists file by file.
Both programs load Qt from these DLLs: you may replace them with your own build of
Qt $qt_version. They were built from Debian's qt6-base $qt_source_version source package
(https://snapshot.debian.org/package/qt6-base/$qt_source_version/) by
tools/windows/build-qt.sh in Quillon's source, which changes one line of Qt
(src/plugins/platforms/windows/qwindowswindow.cpp, for a build without OpenGL).

The runtime of the GNU C++ compiler, under the GNU General Public License version 3
with the GCC Runtime Library Exception, and the POSIX threads of mingw-w64:
$runtime
NOTICES
# Windows users read text files with CR LF line ends.
sed -i 's/$/\r/' "$licences"/*.txt
