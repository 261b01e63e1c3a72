#include "Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QSettings>
#include <QTranslator>

QString LanguageCode(Language Lang)
{
    return Lang == Language::English ? QStringLiteral("en") : QStringLiteral("ru");
}

std::optional<Language> LanguageNamed(const QString &Code)
{
    const QString code = Code.trimmed().toLower();
    if (code == u"ru")
        return Language::Russian;
    if (code == u"en")
        return Language::English;
    return std::nullopt;
}

Language ChooseLanguage(const QString &Override, const QString &Stored, const QLocale &System)
{
    if (const auto chosen = LanguageNamed(Override))
        return *chosen;
    if (const auto chosen = LanguageNamed(Stored))
        return *chosen;
    switch (System.language()) {
    case QLocale::Russian:
    case QLocale::C:
    case QLocale::AnyLanguage:
        return Language::Russian;
    default:
        return Language::English;
    }
}

namespace {

const QString LanguageKey = QStringLiteral("Language");

// The translators this program installed, so that a change of language replaces them.
QList<QTranslator *> &installedTranslators()
{
    static QList<QTranslator *> translators;
    return translators;
}

Language &installedLanguage()
{
    static Language lang = Language::Russian;
    return lang;
}

void install(QTranslator *Translator)
{
    QCoreApplication::installTranslator(Translator);
    installedTranslators().append(Translator);
}

// Qt's own texts in Lang: from Qt's translations folder on Linux, from the translations folder
// beside the program where Qt is shipped with it (Windows).
void installQtTranslator(Language Lang)
{
    auto *qt = new QTranslator(QCoreApplication::instance());
    const QString name = QStringLiteral("qtbase_") + LanguageCode(Lang);
    const QStringList folders{QCoreApplication::applicationDirPath() +
                                  QStringLiteral("/translations"),
                              QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
    for (const QString &folder : folders) {
        if (qt->load(name, folder)) {
            install(qt);
            return;
        }
    }
    delete qt;
}

} // namespace

Language StartInLanguage(const QString &Stored)
{
    const Language lang =
        ChooseLanguage(qEnvironmentVariable("QUILLON_LANG"), Stored, QLocale::system());
    InstallTranslators(lang);
    return lang;
}

void InstallTranslators(Language Lang)
{
    RemoveTranslators();
    installedLanguage() = Lang;
    installQtTranslator(Lang);
    // Russian is the language the texts are written in: no translation of Quillon's own.
    if (Lang == Language::Russian)
        return;
    auto *own = new QTranslator(QCoreApplication::instance());
    if (own->load(QStringLiteral(":/translations/quillon_") + LanguageCode(Lang) +
                  QStringLiteral(".qm")))
        install(own);
    else
        delete own;
}

void RemoveTranslators()
{
    for (QTranslator *translator : std::as_const(installedTranslators())) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
    installedTranslators().clear();
    installedLanguage() = Language::Russian;
}

Language InstalledLanguage()
{
    return installedLanguage();
}

QString StoredLanguage(const QString &SettingsFile)
{
    return QSettings(SettingsFile, QSettings::IniFormat).value(LanguageKey).toString();
}

void StoreLanguage(const QString &SettingsFile, Language Lang)
{
    QSettings(SettingsFile, QSettings::IniFormat).setValue(LanguageKey, LanguageCode(Lang));
}
