#include "StationSetup.h"

#include "atlink/WriteRate.h"

#include <QCommandLineParser>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace {

const QString TypeKey = QStringLiteral("Station/Type");
const QString DataKey = QStringLiteral("Station/Data");
const QString PortsKey = QStringLiteral("Station/Ports");
const QString WriteRateKey = QStringLiteral("Station/WriteRate");
const QString RecordKey = QStringLiteral("Station/RecordFile");

Failure usage(const QString &Text)
{
    return {Failure::Kind::Usage, Text};
}

QString withSeparator(const QString &Folder)
{
    const QString clean = QDir::cleanPath(Folder);
    return clean.endsWith(u'/') ? clean : clean + u'/';
}

} // namespace

Result<StationRequest> ParseStationCommandLine(const QStringList &Arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption station(QStringLiteral("station"));
    const QCommandLineOption type(QStringLiteral("type"), {}, QStringLiteral("DIR"));
    const QCommandLineOption data(QStringLiteral("data"), {}, QStringLiteral("FOLDER"));
    const QCommandLineOption port(QStringLiteral("port"), {}, QStringLiteral("DEVICE"));
    const QCommandLineOption record(QStringLiteral("record"), {}, QStringLiteral("FILE"));
    const QCommandLineOption writeRate(QStringLiteral("write-rate"), {}, QStringLiteral("N"));
    parser.addOptions({station, type, data, port, record, writeRate});
    if (!parser.parse(Arguments))
        return usage(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return usage(QStringLiteral("Unexpected argument: %1")
                         .arg(parser.positionalArguments().constFirst()));

    StationRequest request;
    request.station = parser.isSet(station);
    StationSetup &given = request.setup;
    given.type = parser.value(type);
    if (parser.isSet(data))
        given.dataFolder = withSeparator(parser.value(data));
    given.ports = parser.values(port);
    given.recordFile = parser.value(record);
    if (parser.isSet(writeRate)) {
        given.writeRate = WriteRateNamed(parser.value(writeRate));
        if (!given.writeRate)
            return usage(QStringLiteral("--write-rate must be one of %1").arg(WriteRateList()));
    }
    const bool setUp = !given.type.isEmpty() || !given.ports.isEmpty() || parser.isSet(data) ||
                       parser.isSet(record) || parser.isSet(writeRate);
    if (setUp && !request.station)
        return usage(QStringLiteral("The set-up options go with --station"));
    request.startNow = !given.type.isEmpty() && !given.ports.isEmpty();
    return request;
}

StationSetup LoadStationSetup(const QString &SettingsFile, const StationSetup &Defaults)
{
    const QSettings store(SettingsFile, QSettings::IniFormat);
    StationSetup setup = Defaults;
    setup.type = store.value(TypeKey, Defaults.type).toString();
    setup.ports = store.value(PortsKey, Defaults.ports).toStringList();
    setup.recordFile = store.value(RecordKey, Defaults.recordFile).toString();
    if (store.contains(WriteRateKey))
        setup.writeRate = WriteRateNamed(store.value(WriteRateKey).toString());
    return setup;
}

void SaveStationSetup(const QString &SettingsFile, const StationSetup &Setup)
{
    QSettings store(SettingsFile, QSettings::IniFormat);
    store.setValue(TypeKey, Setup.type);
    // The types' folder is not remembered: each start looks for it in the usual order again, so
    // types put in the user's or the system's folder later are found.
    store.remove(DataKey);
    store.setValue(PortsKey, Setup.ports);
    store.setValue(RecordKey, Setup.recordFile);
    if (Setup.writeRate)
        store.setValue(WriteRateKey, QString::number(*Setup.writeRate));
    else
        store.remove(WriteRateKey);
}

StationSetup MergedSetup(const StationSetup &Remembered, const StationSetup &Given)
{
    StationSetup setup = Remembered;
    if (!Given.dataFolder.isEmpty())
        setup.dataFolder = Given.dataFolder;
    if (!Given.type.isEmpty())
        setup.type = Given.type;
    if (!Given.ports.isEmpty())
        setup.ports = Given.ports;
    if (Given.writeRate)
        setup.writeRate = Given.writeRate;
    if (!Given.recordFile.isEmpty())
        setup.recordFile = Given.recordFile;
    return setup;
}

QString DefaultStationSettingsFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/QuillonStation.ini");
}
