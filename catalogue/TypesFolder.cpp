#include "TypesFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <utility>

namespace {

QString withTrailingSeparator(const QString &Folder)
{
    const QString clean = QDir::cleanPath(QDir(Folder).absolutePath());
    return clean.endsWith(u'/') ? clean : clean + u'/';
}

bool holdsCatalogue(const QString &Folder)
{
    return QFileInfo::exists(Folder + QStringLiteral("/Quillon_dir.ini"));
}

} // namespace

TypesPlaces TypesPlaces::OfThisMachine(const QString &Given)
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    TypesPlaces places;
    places.given = Given;
    places.environment = qEnvironmentVariable("QUILLON_DATA_DIR");
    places.user = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                  QStringLiteral("/quillon/types");
#ifdef Q_OS_WIN
    places.system = programFolder;
#else
    places.system = QStringLiteral("/etc/quillon/types");
#endif
    places.demo = programFolder + QStringLiteral("/demo");
    return places;
}

TypesFolder FindTypesFolder(const TypesPlaces &Places)
{
    if (!Places.given.isEmpty())
        return {withTrailingSeparator(Places.given), TypesSource::Given};
    if (!Places.environment.isEmpty())
        return {withTrailingSeparator(Places.environment), TypesSource::Environment};
    for (const auto &[folder, source] : {std::pair{Places.user, TypesSource::User},
                                         std::pair{Places.system, TypesSource::System}}) {
        if (!folder.isEmpty() && holdsCatalogue(folder))
            return {withTrailingSeparator(folder), source};
    }
    return {withTrailingSeparator(Places.demo), TypesSource::Demo};
}

namespace {

// What the source is called in the window's log (Russian) and in the runner's help (English).
std::pair<QString, QString> sourceNames(TypesSource Source)
{
    switch (Source) {
    case TypesSource::Given:
        return {QCoreApplication::translate("DataFiles", "указана в командной строке"),
                QStringLiteral("given with --data")};
    case TypesSource::Environment:
        return {QCoreApplication::translate("DataFiles", "указана в QUILLON_DATA_DIR"),
                QStringLiteral("from $QUILLON_DATA_DIR")};
    case TypesSource::User:
        return {QCoreApplication::translate("DataFiles", "папка пользователя"),
                QStringLiteral("the user's folder")};
    case TypesSource::System:
        return {QCoreApplication::translate("DataFiles", "общая папка системы"),
                QStringLiteral("the system's folder")};
    case TypesSource::Demo:
        break;
    }
    return {QCoreApplication::translate("DataFiles", "демонстрационные типы"),
            QStringLiteral("the demo types")};
}

} // namespace

QString TypesPlaceText(TypesSource Source)
{
    switch (Source) {
    case TypesSource::Given:
        return QStringLiteral("--data FOLDER");
    case TypesSource::Environment:
        return QStringLiteral("$QUILLON_DATA_DIR");
#ifdef Q_OS_WIN
    case TypesSource::User:
        return QStringLiteral("%LOCALAPPDATA%\\quillon\\types");
    case TypesSource::System:
        return QStringLiteral("the program's folder");
#else
    case TypesSource::User:
        return QStringLiteral("$XDG_DATA_HOME/quillon/types (~/.local/share/quillon/types)");
    case TypesSource::System:
        return QStringLiteral("/etc/quillon/types");
#endif
    case TypesSource::Demo:
        break;
    }
    return QStringLiteral("demo in the program's folder");
}

QString TypesFolderText(const TypesFolder &Folder)
{
    return QCoreApplication::translate("DataFiles", "Типы модемов: %1 (%2)")
        .arg(QDir::toNativeSeparators(Folder.path), sourceNames(Folder.source).first);
}

QString TypesFolderTextEnglish(const TypesFolder &Folder)
{
    return QStringLiteral("%1 (%2)").arg(QDir::toNativeSeparators(Folder.path),
                                         sourceNames(Folder.source).second);
}
