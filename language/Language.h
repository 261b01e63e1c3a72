#pragma once

#include <QLocale>
#include <QString>

#include <optional>

// The languages the programs speak. The texts are written in Russian; English comes from a
// translation built into the programs.
enum class Language
{
    Russian,
    English
};

// "ru" or "en": the value of QUILLON_LANG and of a window's stored choice.
QString LanguageCode(Language Lang);
// The language a code names; none for anything else.
std::optional<Language> LanguageNamed(const QString &Code);

// Which language a program speaks: the override (QUILLON_LANG) first, then the user's stored
// choice, then the system's: a Russian locale, or none at all (C, POSIX), gives Russian, as the
// programs always spoke; any other gives English.
Language ChooseLanguage(const QString &Override, const QString &Stored, const QLocale &System);

// Installs the translators for Lang into the running application: Quillon's own texts and Qt's
// (the standard buttons and dialogs).
// A later call replaces the translators of an earlier one.
void InstallTranslators(Language Lang);
// Back to the texts as written (Russian), Qt's in English.
void RemoveTranslators();
// The language the installed translators speak: Russian when none are installed.
Language InstalledLanguage();

// Chooses the language from QUILLON_LANG, the stored choice and the system's locale, and installs
// the translators for it into the running application: Quillon's own texts and Qt's (the
// standard buttons and dialogs). Call once, after the application object is made.
Language StartInLanguage(const QString &Stored = {});

// The language a window's user chose, kept in its settings file (empty when none was chosen), and
// storing a new choice, which the next start follows.
QString StoredLanguage(const QString &SettingsFile);
void StoreLanguage(const QString &SettingsFile, Language Lang);
