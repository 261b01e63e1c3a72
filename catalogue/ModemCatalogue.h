#pragma once

#include "common/Failure.h"

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QString>

#include <optional>

// One modem type of the catalogue: what the list shows, the folder that holds the type's data and
// whose lower-cased name is the type id, and that folder's full path.
struct TDirObject
{
    QString Title;
    QString DirName;
    QString DirPath;
};
Q_DECLARE_METATYPE(TDirObject)

// The entries that could be read, in the order of the file. When the file was unreadable or a
// line had no usable colon, the entries before it and a BadFile failure ("Файл Quillon_dir.ini
// отсутствует либо поврежден").
struct ModemCatalogue
{
    QList<TDirObject> entries;
    std::optional<Failure> problem;
};

// Catalogues are Windows-1251, but one saved as UTF-8 (with or without a byte-order mark) is read
// as UTF-8: Windows-1251 text with Cyrillic letters in it is practically never valid UTF-8.
QString DecodeCatalogueText(const QByteArray &Bytes);

// Entries of the catalogue text, each DirPath being Folder (ending in a separator) + DirName.
ModemCatalogue ParseModemCatalogue(const QString &Text, const QString &Folder);

// Reads Folder + "Quillon_dir.ini"; a file that cannot be read gives no entries and the problem.
ModemCatalogue ReadModemCatalogue(const QString &Folder);
