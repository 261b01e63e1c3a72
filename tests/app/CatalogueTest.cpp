#include "catalogue/ModemCatalogue.h"
#include "catalogue/TypesFolder.h"
#include "tests/common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString Folder = QStringLiteral("/opt/quillon/");

struct Entry
{
    QString title;
    QString dirName;
};

struct CatalogueCase
{
    const char *name;
    QString text;
    std::vector<Entry> entries;
    bool complete;
};

void PrintTo(const CatalogueCase &c, std::ostream *out)
{
    *out << c.name;
}

class CatalogueLines : public ::testing::TestWithParam<CatalogueCase>
{
};

TEST_P(CatalogueLines, GiveTheEntriesInFileOrder)
{
    const CatalogueCase &c = GetParam();
    const ModemCatalogue catalogue = ParseModemCatalogue(c.text, Folder);
    EXPECT_EQ(!catalogue.problem, c.complete);
    ASSERT_EQ(catalogue.entries.size(), c.entries.size());
    for (size_t i = 0; i < c.entries.size(); ++i) {
        const TDirObject &entry = catalogue.entries.at(static_cast<qsizetype>(i));
        EXPECT_EQ(entry.Title, c.entries[i].title) << i;
        EXPECT_EQ(entry.DirName, c.entries[i].dirName) << i;
        EXPECT_EQ(entry.DirPath, Folder + c.entries[i].dirName) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, CatalogueLines,
    ::testing::Values(CatalogueCase{"only_comments_blanks_and_short_lines",
                                    QStringLiteral("// list\r\n\r\n  \t\r\nab\r\n a:\r\n//x:y\r\n"),
                                    {},
                                    true},
                      CatalogueCase{"single_slash_is_an_entry",
                                    QStringLiteral("/a:b\r\n"),
                                    {{QStringLiteral("/a"), QStringLiteral("b")}},
                                    true},
                      CatalogueCase{"one_character_title_and_empty_folder",
                                    QStringLiteral("A:b\r\nTitle:\r\n"),
                                    {{QStringLiteral("A"), QStringLiteral("b")},
                                     {QStringLiteral("Title"), QString()}},
                                    true},
                      CatalogueCase{"ends_trimmed_blanks_around_colon_kept",
                                    QStringLiteral("\t Modem X : velmora \x01\r\n"),
                                    {{QStringLiteral("Modem X "), QStringLiteral(" velmora")}},
                                    true},
                      CatalogueCase{"further_colons_belong_to_the_folder",
                                    QStringLiteral("T:a:b\nLF only:tc65"),
                                    {{QStringLiteral("T"), QStringLiteral("a:b")},
                                     {QStringLiteral("LF only"), QStringLiteral("tc65")}},
                                    true},
                      CatalogueCase{"line_without_colon_stops_earlier_entries_kept",
                                    QStringLiteral("One:1\r\nno colon here\r\nThree:3\r\n"),
                                    {{QStringLiteral("One"), QStringLiteral("1")}},
                                    false},
                      CatalogueCase{
                          "leading_colon_stops", QStringLiteral(":tu41\r\nTwo:2\r\n"), {}, false},
                      CatalogueCase{"equal_titles_allowed",
                                    QStringLiteral("Same:a\r\nSame:a\r\n"),
                                    {{QStringLiteral("Same"), QStringLiteral("a")},
                                     {QStringLiteral("Same"), QStringLiteral("a")}},
                                    true}));

TEST(CatalogueFile, Windows1251AndUtf8WithOrWithoutMarkReadAlike)
{
    const QString expected = QStringLiteral("Велмора GL865");
    for (const char *fixture : {"catalogue_cp1251.ini", "catalogue_utf8_bom.ini"}) {
        QFile file(QStringLiteral(QUILLON_TEST_DATA "/") + QString::fromLatin1(fixture));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << fixture;
        const QByteArray bytes = file.readAll();
        const ModemCatalogue catalogue = ParseModemCatalogue(DecodeCatalogueText(bytes), Folder);
        ASSERT_EQ(catalogue.entries.size(), 2) << fixture;
        EXPECT_EQ(catalogue.entries.at(0).Title, expected) << fixture;
        EXPECT_EQ(catalogue.entries.at(1).DirName, QStringLiteral("tu41")) << fixture;
    }
    EXPECT_EQ(DecodeCatalogueText(expected.toUtf8()), expected);
}

TEST(CatalogueFile, MissingFileGivesNothingAndFailure)
{
    QTemporaryDir empty;
    const ModemCatalogue catalogue = ReadModemCatalogue(empty.path() + u'/');
    EXPECT_TRUE(catalogue.problem);
    EXPECT_TRUE(catalogue.entries.isEmpty());
}

// The places types are looked for, each with a catalogue or not, in a folder of their own.
class TypesPlacesTest : public ::testing::Test
{
protected:
    QString place(const QString &Name, bool WithCatalogue) const
    {
        const QString folder = root.filePath(Name);
        QDir().mkpath(folder);
        if (WithCatalogue) {
            QFile catalogue(folder + QStringLiteral("/Quillon_dir.ini"));
            EXPECT_TRUE(catalogue.open(QIODevice::WriteOnly));
        }
        return folder;
    }

    QTemporaryDir root;
};

TEST_F(TypesPlacesTest, TheUsersTypesWinOverTheSystemsAndTheDemoComesLast)
{
    TypesPlaces places{{},
                       {},
                       place(QStringLiteral("user"), true),
                       place(QStringLiteral("system"), true),
                       place(QStringLiteral("demo"), true)};
    EXPECT_EQ(FindTypesFolder(places).path, places.user + u'/');
    EXPECT_EQ(FindTypesFolder(places).source, TypesSource::User);

    // A user's folder without a catalogue (made, never filled) is passed over.
    places.user = place(QStringLiteral("empty-user"), false);
    EXPECT_EQ(FindTypesFolder(places).path, places.system + u'/');
    EXPECT_EQ(FindTypesFolder(places).source, TypesSource::System);

    places.system = root.filePath(QStringLiteral("no-such-folder"));
    EXPECT_EQ(FindTypesFolder(places).path, places.demo + u'/');
    EXPECT_EQ(FindTypesFolder(places).source, TypesSource::Demo);
}

TEST_F(TypesPlacesTest, AFolderNamedOnPurposeIsUsedEvenWithoutACatalogue)
{
    // A mistyped --data must end in "no catalogue there", never in quietly programming the
    // user's types.
    TypesPlaces places{root.filePath(QStringLiteral("typo")),
                       place(QStringLiteral("env"), true),
                       place(QStringLiteral("user"), true),
                       {},
                       {}};
    EXPECT_EQ(FindTypesFolder(places).path, places.given + u'/');
    EXPECT_EQ(FindTypesFolder(places).source, TypesSource::Given);
    places.given.clear();
    places.environment = root.filePath(QStringLiteral("typo"));
    EXPECT_EQ(FindTypesFolder(places).source, TypesSource::Environment);
}

TEST(TypesPlaces, ThisMachinesUserFolderIsUnderItsDataHomeAndTheFolderIsNamedInTheLog)
{
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", "/home/anna/.data");
    const TypesPlaces places = TypesPlaces::OfThisMachine(QStringLiteral("/srv/types"));
    if (dataHome.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", dataHome);
    EXPECT_EQ(places.given, QStringLiteral("/srv/types"));
#ifndef Q_OS_WIN
    EXPECT_EQ(places.user, QStringLiteral("/home/anna/.data/quillon/types"));
    EXPECT_EQ(places.system, QStringLiteral("/etc/quillon/types"));
    EXPECT_EQ(TypesFolderText({QStringLiteral("/etc/quillon/types/"), TypesSource::System}),
              QStringLiteral("Типы модемов: /etc/quillon/types/ (общая папка системы)"));
#endif
}

} // namespace
