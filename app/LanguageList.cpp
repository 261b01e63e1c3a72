#include "LanguageList.h"

#include <QComboBox>
#include <QCoreApplication>

QComboBox *MakeLanguageList(QWidget *Parent)
{
    auto *list = new QComboBox(Parent);
    list->setObjectName(QStringLiteral("cbxLanguage"));
    list->addItem(QStringLiteral("Русский"), LanguageCode(Language::Russian));
    list->addItem(QStringLiteral("English"), LanguageCode(Language::English));
    return list;
}

QString LanguageListLabel()
{
    return QCoreApplication::translate("Settings", "Язык (после перезапуска):");
}

void ShowLanguage(QComboBox &List, Language Lang)
{
    List.setCurrentIndex(List.findData(LanguageCode(Lang)));
}

Language ChosenLanguage(const QComboBox &List)
{
    return LanguageNamed(List.currentData().toString()).value_or(Language::Russian);
}

Language RememberedLanguage(const QString &SettingsFile)
{
    return LanguageNamed(StoredLanguage(SettingsFile)).value_or(InstalledLanguage());
}

void RememberLanguage(const QString &SettingsFile, Language Chosen)
{
    if (Chosen != RememberedLanguage(SettingsFile) || Chosen != InstalledLanguage())
        StoreLanguage(SettingsFile, Chosen);
}
