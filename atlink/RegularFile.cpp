#include "RegularFile.h"

#include <QFileInfo>

std::optional<Failure> NotRegularFileProblem(const QString &Path)
{
    const QFileInfo info(Path);
    if (!info.exists() || info.isFile())
        return std::nullopt;
    const QString kind =
        info.isDir() ? QStringLiteral("папка") : QStringLiteral("канал, устройство или сокет");
    return Failure{Failure::Kind::BadFile,
                   QStringLiteral("%1 не прочитан: это не обычный файл, а %2.").arg(Path, kind)};
}
