#pragma once

#include "common/Failure.h"

#include <QString>
#include <QStringList>

#include <optional>

// What one invocation of quillon-flash asks for.
struct FlashOptions
{
    QString type;       // the modem type, by its catalogue folder name (any letter case)
    QString dataFolder; // holds Quillon_dir.ini and the type folders; ends with a separator
    QStringList ports;  // one run per device, in the order given
    bool json = false;
    bool noWait = false; // the modems are already on: no power-on wait
    int maxAttempts = 0; // script modems: attempts per file before giving up; 0 = no bound
    bool help = false;   // --help: print FlashHelpText and do nothing else
};

// Arguments as the program received them, the program's name first. A mistake is a Usage failure
// whose text, ending with a hint at --help, goes to standard error (exit status 2).
Result<FlashOptions> ParseFlashCommandLine(const QStringList &Arguments);

QString FlashHelpText();
