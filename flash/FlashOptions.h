#pragma once

#include "catalogue/TypesFolder.h"
#include "common/Failure.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// What one invocation of quillon-flash asks for.
struct FlashOptions
{
    QString type;       // the modem type, by its catalogue folder name (any letter case)
    QString dataFolder; // holds Quillon_dir.ini and the type folders; ends with a separator
    QStringList ports;  // one run per device, in the order given; none: the type's profile names it
    bool json = false;
    bool noWait = false; // the modems are already on: no power-on wait
    int maxAttempts = 0; // script modems: attempts per file before giving up; 0 = no bound
    std::optional<std::uint32_t> writeRate; // wins over the profile's writerate
    QString recordFile;      // every run appended here as one JSON line; empty: none kept
    bool identify = false;   // ask each modem for its IMEI before programming it
    bool continuous = false; // a station: modem after modem on every port until interrupted
    bool quiet = false;      // text: the ports' states, results and the summary, not the AT log
    QString logFolder;       // each run's log kept as a file of its own here; empty: none kept
};

// What one command line asks for: the help text, the version, or a run with these options.
struct FlashRequest
{
    bool help = false;
    bool version = false;
    FlashOptions options;
};

// Arguments as the program received them, the program's name first. A line the program cannot
// follow is a Failure of kind Usage, said in one line without the hint to --help.
Result<FlashRequest> ParseFlashCommandLine(const QStringList &Arguments);

// Whether the line asks for JSON, read even where the rest of it cannot be: a collector that
// asked for JSON gets its error as JSON too.
bool AsksForJson(const QStringList &Arguments);

// The help, ending with the folder the modem types would be read from now.
QString FlashHelpText(const TypesFolder &Now);
// "quillon-flash 1.0": the version the build, the package and the installer carry.
QString FlashVersionText();
