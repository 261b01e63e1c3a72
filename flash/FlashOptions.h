#pragma once

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
};

// Either options to run with, or a text to print and the status to exit with (help: 0 on
// standard output; a mistake: 2 on standard error, and with --json also as a JSON error on
// standard output, from `reason`).
struct ParsedCommandLine
{
    std::optional<FlashOptions> options;
    QString message;
    QString reason; // a mistake in one line, without the hint
    int exitCode = 0;
    bool json = false; // --json was asked for, even where the rest could not be read
};

// Arguments as the program received them, the program's name first.
ParsedCommandLine ParseFlashCommandLine(const QStringList &Arguments);

QString FlashHelpText();
