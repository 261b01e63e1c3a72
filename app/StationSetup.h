#pragma once

#include "common/Failure.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// What a station programs and where it keeps its records: the choice the station window starts
// with, remembered from one shift to the next.
struct StationSetup
{
    QString dataFolder; // holds Quillon_dir.ini and the type folders, with a trailing separator
    QString type;       // the modem type's folder name
    QStringList ports;  // in the order of the tiles
    std::optional<std::uint32_t> writeRate; // none: as the type's upload.ini says
    QString recordFile;
};

// "quillon --station [--type T] [--data D] [--port P]... [--record F] [--write-rate N]".
struct StationRequest
{
    bool station = false;  // the station window, not the main window
    bool startNow = false; // the type and at least one port were named: the station begins at once
    StationSetup setup;    // what the command line names; empty fields are not named
};

// The request of the program's arguments (the program's name first); a Usage failure, in English
// as the runner's, for an option it does not know or a write rate that is none of the rates.
Result<StationRequest> ParseStationCommandLine(const QStringList &Arguments);

// The remembered choice in Settings (an INI file), Defaults where nothing is remembered.
StationSetup LoadStationSetup(const QString &SettingsFile, const StationSetup &Defaults);
void SaveStationSetup(const QString &SettingsFile, const StationSetup &Setup);
// The named fields of Given over Remembered.
StationSetup MergedSetup(const StationSetup &Remembered, const StationSetup &Given);

// The user's store for the station's choice: QuillonStation.ini beside Quillon.ini.
QString DefaultStationSettingsFile();
