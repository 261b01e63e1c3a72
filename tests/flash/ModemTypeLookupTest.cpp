#include "engine/ModemTypeLookup.h"
#include "atlink/WireText.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ModemTypeLookupTest : public ::testing::Test
{
protected:
    QString folder() const { return dir.path() + u'/'; }

    void writeCatalogue(const QByteArray &Bytes)
    {
        QFile file(folder() + QStringLiteral("Quillon_dir.ini"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(Bytes);
    }
    void makeTypeFolder(const QString &Name) { ASSERT_TRUE(QDir(dir.path()).mkpath(Name)); }

    QTemporaryDir dir;
};

TEST_F(ModemTypeLookupTest, FindsTheTypeIgnoringLetterCaseInEitherEncoding)
{
    makeTypeFolder(QStringLiteral("TC65"));
    makeTypeFolder(QStringLiteral("velmora"));
    const QString text = QStringLiteral("// типы модемов: title:folder\r\nМодем Велмора:velmora\r\n"
                                        "Модем TC65:TC65\r\n");
    for (const QByteArray &bytes : {text.toUtf8(), toWire(text)}) {
        writeCatalogue(bytes);
        const auto lookup = FindModemType(folder(), QStringLiteral("tc65"));
        ASSERT_TRUE(lookup) << lookup.failure().text.toStdString();
        EXPECT_EQ(lookup->Title, QStringLiteral("Модем TC65"));
        EXPECT_EQ(lookup->DirName, QStringLiteral("TC65"));
        EXPECT_EQ(lookup->DirPath, folder() + QStringLiteral("TC65"));
    }
}

TEST_F(ModemTypeLookupTest, RefusesWhatCannotBeProgrammed)
{
    makeTypeFolder(QStringLiteral("velmora"));
    EXPECT_TRUE(FindModemType(folder(), QStringLiteral("velmora"))
                    .failure()
                    .text.contains(QStringLiteral("Cannot read the catalogue")));

    writeCatalogue("Velmora:velmora\r\nTu41:tu41\r\n");
    const auto unknown = FindModemType(folder(), QStringLiteral("tc65"));
    ASSERT_FALSE(unknown);
    EXPECT_TRUE(unknown.failure().text.contains(QStringLiteral("velmora, tu41")))
        << unknown.failure().text.toStdString();

    const auto noFolder = FindModemType(folder(), QStringLiteral("tu41"));
    ASSERT_FALSE(noFolder);
    EXPECT_TRUE(noFolder.failure().text.contains(QStringLiteral("missing")));

    // A damaged line stops the whole file, even after the wanted entry.
    writeCatalogue("Velmora:velmora\r\n:broken\r\n");
    const auto damaged = FindModemType(folder(), QStringLiteral("velmora"));
    ASSERT_FALSE(damaged);
    EXPECT_TRUE(damaged.failure().text.contains(QStringLiteral("damaged")));
}

} // namespace
