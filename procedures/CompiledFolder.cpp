#include "CompiledFolder.h"

#include "atlink/FileSize.h"
#include "atlink/FileTransfer.h"
#include "atlink/HexText.h"
#include "atlink/RegularFile.h"
#include "atlink/WireText.h"
#include "procedures/ProcedureHost.h"
#include "procedures/ProcedureSteps.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace procedures {

namespace {

bool IsControl(QChar Character)
{
    return Character.category() == QChar::Other_Control;
}

// The name goes into an AT command between double quotes: a quote would end it early and a
// control character (CR above all) would start another command. A wildcard would have the size
// taken from another file, and a name the modem's code page cannot hold would reach it as
// another name.
bool NameFitsCommand(const QString &Name)
{
    const bool unsafe = std::any_of(Name.cbegin(), Name.cend(), [](QChar Character) {
        return Character == u'"' || Character == u'*' || Character == u'?' || IsControl(Character);
    });
    return !unsafe && fromWire(toWire(Name)) == Name;
}

// The name as a log line can show it: control characters would break the line.
QString Printable(QString Name)
{
    std::replace_if(Name.begin(), Name.end(), IsControl, QLatin1Char('?'));
    return Name;
}

bool Readable(const QString &Path)
{
    QFile file(Path);
    return QFileInfo(Path).isFile() && file.open(QIODevice::ReadOnly);
}

// Why the file cannot be sent to the modem, or no value when it can.
std::optional<Failure> TransferFileProblem(const CompiledFiles &Files, const QString &Name)
{
    const auto bad = [](const QString &Text) { return Failure{Failure::Kind::BadFile, Text}; };
    if (!NameFitsCommand(Name))
        return bad(
            QCoreApplication::translate("DataFiles", "Имя файла %1 содержит недопустимые символы.")
                .arg(Printable(Name)));
    const QString path = Files.PathOf(Name);
    if (!Readable(path))
        return bad(
            QCoreApplication::translate("DataFiles", "Файл %1 не удается прочитать.").arg(Name));
    const std::int64_t size = FileSizeOf(path);
    if (size <= 0)
        return bad(QCoreApplication::translate("DataFiles", "Файл %1 пуст.").arg(Name));
    if (size > MaxTransferSize)
        return bad(QCoreApplication::translate("DataFiles", "Файл %1 больше %2 байт.")
                       .arg(Name, QString::number(MaxTransferSize)));
    return std::nullopt;
}

QString CompiledFolderOf(const QString &DirPath)
{
    return DirPath + QStringLiteral("/compiled");
}

std::optional<Failure> MissingFolderRefusal(const QString &Folder)
{
    if (QFileInfo(Folder).isDir())
        return std::nullopt;
    return Refusal(QCoreApplication::translate("DataFiles", "Не обнаружена папка %1.").arg(Folder));
}

// The refusal for the first file that cannot be sent, if any.
std::optional<Failure> FilesRefusal(const CompiledFiles &Files)
{
    // The listing leaves hidden files and subfolders out; a pipe, device or socket that is meant
    // to be sent is refused rather than skipped, and never opened.
    const QStringList others =
        QDir(Files.Folder).entryList(QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : others) {
        if (const auto problem = NotRegularFileProblem(Files.PathOf(name)))
            return Refusal(problem->text);
    }
    for (const QString &name : Files.Names) {
        if (const auto problem = TransferFileProblem(Files, name))
            return Refusal(problem->text);
    }
    return std::nullopt;
}

} // namespace

std::optional<CompiledFiles> ListCompiledFiles(ProcedureHost &Host)
{
    CompiledFiles files;
    files.Folder = CompiledFolderOf(Host.SelectedDirPath());
    if (const auto missing = MissingFolderRefusal(files.Folder)) {
        Host.LogFailure(*missing);
        return std::nullopt;
    }
    files.Names = Host.ListFolder(files.Folder);
    Host.SetGaugePosition(0);
    Host.SetGaugeMaximum(static_cast<int>(files.Names.size()));
    if (const auto refusal = FilesRefusal(files)) {
        Host.LogFailure(*refusal);
        return std::nullopt;
    }
    return files;
}

std::optional<Failure> CompiledFilesRefusal(const QString &DirPath)
{
    CompiledFiles files;
    files.Folder = CompiledFolderOf(DirPath);
    if (auto missing = MissingFolderRefusal(files.Folder))
        return missing;
    files.Names = ListPlainFiles(files.Folder);
    return FilesRefusal(files);
}

} // namespace procedures
