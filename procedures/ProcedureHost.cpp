#include "ProcedureHost.h"

#include <QDir>

#include <algorithm>

QStringList ListPlainFiles(const QString &Folder)
{
    // Without QDir::Hidden and QDir::System: dot files, devices, pipes, sockets and broken links
    // stay out.
    QStringList names = QDir(Folder).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted);
    // Names equal but for letter case keep one fixed order, so every run sends alike.
    std::sort(names.begin(), names.end(), [](const QString &Left, const QString &Right) {
        const int order = Left.compare(Right, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : Left < Right;
    });
    return names;
}
