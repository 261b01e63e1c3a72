// Which language the programs speak, and the translations they load for it.
#include "language/Language.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// QUILLON_LANG first, then the choice stored in a window's settings, then the system: Russian
// for a Russian locale and for none at all, English for every other.
TEST(ChooseLanguage, OverrideThenStoredChoiceThenTheSystemsLocale)
{
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    const QLocale german(QLocale::German, QLocale::Germany);
    const struct
    {
        const char *override;
        const char *stored;
        QLocale system;
        Language expected;
    } rows[] = {
        {"", "", russian, Language::Russian},
        {"", "", QLocale::c(), Language::Russian},
        {"", "", QLocale(QLocale::English, QLocale::UnitedStates), Language::English},
        {"", "", german, Language::English},
        {"", "ru", german, Language::Russian},
        {"", "en", russian, Language::English},
        {"ru", "en", german, Language::Russian},
        {"EN", "ru", russian, Language::English},
        // A value that names no language is passed over, not taken for one.
        {"de", "", russian, Language::Russian},
        {"", "fr", german, Language::English},
    };
    for (const auto &row : rows)
        EXPECT_EQ(ChooseLanguage(QString::fromLatin1(row.override), QString::fromLatin1(row.stored),
                                 row.system),
                  row.expected)
            << row.override << " / " << row.stored << " / " << row.system.name().toStdString();
}

TEST(StoredLanguage, TheChoiceIsKeptForTheNextStart)
{
    const QTemporaryDir folder;
    const QString settings = folder.filePath(QStringLiteral("Quillon.ini"));
    EXPECT_EQ(StoredLanguage(settings), QString());
    StoreLanguage(settings, Language::English);
    EXPECT_EQ(StoredLanguage(settings), QStringLiteral("en"));
    StoreLanguage(settings, Language::Russian);
    EXPECT_EQ(StoredLanguage(settings), QStringLiteral("ru"));
}

// The English translation is built into the programs; Qt's own texts follow the same language.
TEST(InstallTranslators, SwitchesOurTextsAndQtsAndRemovingGoesBackToTheSource)
{
    const auto runText = [] {
        return QCoreApplication::translate("Run", "Операция успешно завершена");
    };
    const auto qtCancel = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel"); };
    EXPECT_EQ(runText(), QStringLiteral("Операция успешно завершена"));

    InstallTranslators(Language::English);
    EXPECT_EQ(runText(), QStringLiteral("Programming completed successfully"));
    InstallTranslators(Language::Russian);
    EXPECT_EQ(runText(), QStringLiteral("Операция успешно завершена"));
    EXPECT_EQ(qtCancel(), QStringLiteral("Отмена"));
    RemoveTranslators();
    EXPECT_EQ(qtCancel(), QStringLiteral("Cancel"));
}

} // namespace
