// What a type's folder holds is read only when it is a regular file; anything else where a file
// is expected is refused by name and never opened (opening a pipe would wait for ever).
#include "catalogue/ModemCatalogue.h"
#include "procedures/CompiledFolder.h"
#include "procedures/TransferLog.h"
#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace procedures;

namespace {

void MakePipe(const QString &Path)
{
    ASSERT_EQ(mkfifo(QFile::encodeName(Path).constData(), 0600), 0);
}

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
    QDir(type.path()).mkpath(u"compiled"_s);
    Write(type.filePath(u"compiled/a.pyo"_s), "print(1)");
    EXPECT_EQ(CompiledFilesRefusal(type.path()), std::nullopt);

    // A pipe named like a payload file, reached through a link.
    MakePipe(type.filePath(u"pipe"_s));
    ASSERT_TRUE(QFile::link(type.filePath(u"pipe"_s), type.filePath(u"compiled/b.pyo"_s)));
    const QString pipeLine = type.filePath(u"compiled/b.pyo"_s) +
                             u" не прочитан: это не обычный файл, а канал, устройство или сокет."
                             u" Запись данных отменена."_s;
    const auto refusal = CompiledFilesRefusal(type.path());
    EXPECT_EQ(failureText(refusal), pipeLine);
    EXPECT_EQ(refusal->kind, Failure::Kind::Refused);

    // Hidden entries and subfolders stay skipped.
    QFile::remove(type.filePath(u"compiled/b.pyo"_s));
    MakePipe(type.filePath(u"compiled/.hidden"_s));
    QDir(type.path()).mkpath(u"compiled/sub"_s);
    EXPECT_EQ(CompiledFilesRefusal(type.path()), std::nullopt);

    MakePipe(TransferLogPath(type.path()));
    EXPECT_EQ(failureText(TransferLogRefusal(type.path())),
              TransferLogPath(type.path()) +
                  u" не прочитан: это не обычный файл, а канал, устройство или сокет."
                  u" Запись данных отменена."_s);
    QFile::remove(TransferLogPath(type.path()));
    QDir(type.path()).mkpath(u"transfer_fw.log"_s);
    EXPECT_TRUE(failureText(TransferLogRefusal(type.path())).contains(u"а папка."_s));

    MakePipe(type.filePath(u"Quillon_dir.ini"_s));
    const ModemCatalogue catalogue = ReadModemCatalogue(type.path() + u'/');
    EXPECT_TRUE(catalogue.problem);
    EXPECT_TRUE(catalogue.entries.isEmpty());
}

// A log that compares nothing would let any modem pass as written.
TEST(DataFiles, TransferLogWithoutAnExpectationIsMalformed)
{
    QTemporaryDir type;
    const QString noExpectation =
        u"Файл данных transfer_fw.log не содержит ни одной строки \"->\". Запись данных отменена."_s;
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
