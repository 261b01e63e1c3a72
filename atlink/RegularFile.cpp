#include "RegularFile.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

std::optional<Failure> NotRegularFileProblem(const QString &Path)
{
    const QFileInfo info(Path);
    if (!info.exists() || info.isFile())
        return std::nullopt;
    const QString kind = info.isDir() ? u"папка"_s : u"канал, устройство или сокет"_s;
    return Failure{Failure::Kind::BadFile,
                   u"%1 не прочитан: это не обычный файл, а %2."_s.arg(Path, kind)};
}
