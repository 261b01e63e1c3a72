// What a type's folder holds is read only when it is a regular file; anything else where a file
// is expected is refused by name and never opened (opening a pipe would wait for ever).
#include "catalogue/ModemCatalogue.h"
#include "procedures/CompiledFolder.h"
#include "procedures/TransferLog.h"
#include "tests/common/TestSupport.h"
#include "tests/procedures/ProcedureTestKit.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace procedures;

namespace {

void Write(const QString &Path, const QByteArray &Bytes)
{
    QFile file(Path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(Bytes);
}

} // namespace

TEST(DataFiles, PipeOrFolderWhereAFileIsExpectedIsRefusedByName)
{
    QTemporaryDir type;
    QDir(type.path()).mkpath(QStringLiteral("compiled"));
    Write(type.filePath(QStringLiteral("compiled/a.pyo")), "print(1)");
    EXPECT_EQ(CompiledFilesRefusal(type.path()), std::nullopt);

    // A pipe named like a payload file, reached through a link.
    MakePipe(type.filePath(QStringLiteral("pipe")));
    ASSERT_TRUE(QFile::link(type.filePath(QStringLiteral("pipe")),
                            type.filePath(QStringLiteral("compiled/b.pyo"))));
    const QString pipeLine =
        type.filePath(QStringLiteral("compiled/b.pyo")) +
        QStringLiteral(" не прочитан: это не обычный файл, а канал, устройство или сокет."
                       " Запись данных отменена.");
    const auto refusal = CompiledFilesRefusal(type.path());
    EXPECT_EQ(failureText(refusal), pipeLine);
    EXPECT_EQ(refusal->kind, Failure::Kind::Refused);

    // Hidden entries and subfolders stay skipped.
    QFile::remove(type.filePath(QStringLiteral("compiled/b.pyo")));
    MakePipe(type.filePath(QStringLiteral("compiled/.hidden")));
    QDir(type.path()).mkpath(QStringLiteral("compiled/sub"));
    EXPECT_EQ(CompiledFilesRefusal(type.path()), std::nullopt);

    MakePipe(TransferLogPath(type.path()));
    EXPECT_EQ(failureText(TransferLogRefusal(type.path())),
              TransferLogPath(type.path()) +
                  QStringLiteral(" не прочитан: это не обычный файл, а канал, устройство или сокет."
                                 " Запись данных отменена."));
    QFile::remove(TransferLogPath(type.path()));
    QDir(type.path()).mkpath(QStringLiteral("transfer_fw.log"));
    EXPECT_TRUE(failureText(TransferLogRefusal(type.path())).contains(QStringLiteral("а папка.")));

    MakePipe(type.filePath(QStringLiteral("Quillon_dir.ini")));
    const ModemCatalogue catalogue = ReadModemCatalogue(type.path() + u'/');
    EXPECT_TRUE(catalogue.problem);
    EXPECT_TRUE(catalogue.entries.isEmpty());
}

// A log that compares nothing would let any modem pass as written.
TEST(DataFiles, TransferLogWithoutAnExpectationIsMalformed)
{
    QTemporaryDir type;
    const QString noExpectation = QStringLiteral(
        "Файл данных transfer_fw.log не содержит ни одной строки \"->\". Запись данных отменена.");
    QByteArray binary(20000, '\0');
    for (int at = 0; at < binary.size(); ++at)
        binary[at] = static_cast<char>((at * 37) % 251 + 1);
    binary.replace('-', 'x');
    for (const QByteArray &content :
         {QByteArray(), QByteArray("<- 41 54\r\n// comment\r\n"), binary}) {
        Write(TransferLogPath(type.path()), content);
        EXPECT_EQ(failureText(TransferLogRefusal(type.path())), noExpectation);
    }
    Write(TransferLogPath(type.path()), "<- 41 54\r\n-> 4F 4B\r\n");
    EXPECT_EQ(TransferLogRefusal(type.path()), std::nullopt);
}
