#pragma once

#include "language/Language.h"

#include <QString>

class QComboBox;
class QWidget;

// The language choice of a window's settings: each language named in itself, so that a user who
// cannot read the present one still finds their own. It takes effect at the next start.
QComboBox *MakeLanguageList(QWidget *Parent);
QString LanguageListLabel();
void ShowLanguage(QComboBox &List, Language Lang);
Language ChosenLanguage(const QComboBox &List);

// The language a window's settings file holds, else the one the program speaks now.
Language RememberedLanguage(const QString &SettingsFile);
// Keeps a choice that differs from what the program speaks now or from what was kept before.
void RememberLanguage(const QString &SettingsFile, Language Chosen);
