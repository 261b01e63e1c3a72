#include "ModemCatalogue.h"

#include "atlink/RegularFile.h"
#include "atlink/WireText.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringDecoder>

namespace {

constexpr int MaxDirNameLength = 9999;

bool isBlankOrControl(QChar c)
{
    return c.unicode() <= 32;
}

QString trimmedOfControls(const QString &Line)
{
    qsizetype first = 0;
    qsizetype last = Line.size();
    while (first < last && isBlankOrControl(Line.at(first)))
        ++first;
    while (last > first && isBlankOrControl(Line.at(last - 1)))
        --last;
    return Line.mid(first, last - first);
}

Failure Damaged()
{
    return {Failure::Kind::BadFile,
            QCoreApplication::translate("DataFiles",
                                        "Файл Quillon_dir.ini отсутствует либо поврежден")};
}

} // namespace

QString DecodeCatalogueText(const QByteArray &Bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8); // drops a leading byte-order mark
    QString text = utf8.decode(Bytes);
    if (!utf8.hasError())
        return text;
    return fromWire(Bytes);
}

ModemCatalogue ParseModemCatalogue(const QString &Text, const QString &Folder)
{
    ModemCatalogue catalogue;
    const QStringList lines = Text.split(u'\n');
    for (const QString &rawLine : lines) {
        const QString line = trimmedOfControls(rawLine);
        if (line.size() <= 2 || line.startsWith(u"//"))
            continue;
        const qsizetype colon = line.indexOf(u':');
        if (colon <= 0) {
            catalogue.problem = Damaged();
            return catalogue;
        }
        TDirObject entry;
        entry.Title = line.left(colon);
        entry.DirName = line.mid(colon + 1, MaxDirNameLength);
        entry.DirPath = Folder + entry.DirName;
        catalogue.entries.append(entry);
    }
    return catalogue;
}

ModemCatalogue ReadModemCatalogue(const QString &Folder)
{
    ModemCatalogue unreadable{{}, Damaged()};
    QFile file(Folder + QStringLiteral("Quillon_dir.ini"));
    if (NotRegularFileProblem(file.fileName()))
        return unreadable;
    if (!file.open(QIODevice::ReadOnly))
        return unreadable;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return unreadable;
    return ParseModemCatalogue(DecodeCatalogueText(bytes), Folder);
}
