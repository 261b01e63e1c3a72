#include "RegularFile.h"

#include <QCoreApplication>
#include <QFileInfo>

std::optional<Failure> NotRegularFileProblem(const QString &Path)
{
    const QFileInfo info(Path);
    if (!info.exists() || info.isFile())
        return std::nullopt;
    const QString text =
        info.isDir() ? QCoreApplication::translate("DataFiles",
                                                   "%1 не прочитан: это не обычный файл, а папка.")
                     : QCoreApplication::translate(
                           "DataFiles",
                           "%1 не прочитан: это не обычный файл, а канал, устройство или сокет.");
    return Failure{Failure::Kind::BadFile, text.arg(Path)};
}
