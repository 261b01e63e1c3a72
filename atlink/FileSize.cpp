#include "FileSize.h"

#include <QDir>
#include <QFileInfo>

std::int64_t FileSizeOf(const QString &FileName)
{
    if (FileName.isEmpty())
        return -1;
    QFileInfo entry(FileName);
    if (FileName.contains(u'*') || FileName.contains(u'?')) {
        // The first entry the name's pattern matches, files and folders alike, hidden ones too.
        const QFileInfo pattern(FileName);
        const QFileInfoList found = pattern.dir().entryInfoList(
            {pattern.fileName()},
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        if (found.isEmpty())
            return -1;
        entry = found.first();
    }
    if (!entry.exists())
        return -1;
    // A folder counts as an entry of no bytes, as a directory listing shows it.
    return entry.isDir() ? 0 : entry.size();
}
