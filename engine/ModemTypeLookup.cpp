#include "ModemTypeLookup.h"

#include "atlink/PortProfile.h"
#include "atlink/RegularFile.h"
#include "atlink/TmyComm.h"
#include "procedures/PortDiagnosis.h"
#include "procedures/ProcedureSteps.h"
#include "procedures/Procedures.h"
#include "serial/SerialPorts.h"

#include <QFile>
#include <QFileInfo>

namespace {

Failure failure(const QString &Text)
{
    return {Failure::Kind::Usage, Text};
}

QString knownTypes(const ModemCatalogue &Catalogue)
{
    QStringList names;
    for (const TDirObject &entry : Catalogue.entries)
        names.append(entry.DirName);
    return names.isEmpty() ? QStringLiteral("none") : names.join(QStringLiteral(", "));
}

} // namespace

Result<TDirObject> FindModemType(const QString &DataFolder, const QString &Type)
{
    const QString cataloguePath = DataFolder + QStringLiteral("Quillon_dir.ini");
    if (auto problem = NotRegularFileProblem(cataloguePath))
        return *std::move(problem);
    if (!QFileInfo(cataloguePath).isReadable())
        return failure(QStringLiteral("Cannot read the catalogue %1").arg(cataloguePath));
    const ModemCatalogue catalogue = ReadModemCatalogue(DataFolder);
    if (catalogue.problem)
        return failure(QStringLiteral("The catalogue %1 is damaged: a line has no title before a "
                                      "colon")
                           .arg(cataloguePath));

    for (const TDirObject &entry : catalogue.entries) {
        if (entry.DirName.compare(Type, Qt::CaseInsensitive) != 0)
            continue;
        if (!QFileInfo(entry.DirPath).isDir())
            return failure(QStringLiteral("The folder of the modem type %1 is missing: %2")
                               .arg(Type, entry.DirPath));
        return entry;
    }
    return failure(QStringLiteral("Unknown modem type %1; the catalogue %2 offers: %3")
                       .arg(Type, cataloguePath, knownTypes(catalogue)));
}

std::optional<Failure> RunRefusal(const TDirObject &Type)
{
    if (auto refusal = TypeDataRefusal(Type.DirName, Type.DirPath))
        return refusal;
    TmyComm settings;
    const auto profile = settings.LoadPortSettings(Type.DirPath + QStringLiteral("/upload.ini"));
    // A missing profile only leaves the port as it is; each run says so.
    if (profile && profile->kind != Failure::Kind::MissingFile)
        return procedures::Refusal(profile->text);
    return PortSettingsRefusal(*settings.Comm);
}

QString ProfilePort(const TDirObject &Type)
{
    QFile profile(Type.DirPath + QStringLiteral("/upload.ini"));
    if (!profile.open(QIODevice::ReadOnly))
        return {};
    QString named;
    for (const QByteArray &line : ProfileLines(profile.readAll())) {
        const std::optional<PortSetting> setting = ParsePortSetting(line);
        if (setting && std::holds_alternative<PortName>(*setting))
            named = std::get<PortName>(*setting).Value;
    }
    const QString device = ResolveDevicePath(named);
    return device.compare(named, Qt::CaseInsensitive) == 0 ? device : named;
}
