#pragma once

#include "tools/modemsim/ModemSimulator.h"

#include <QString>
#include <QStringList>

#include <variant>

namespace modemsim {

// What the executable was asked to run.
struct SimulatorSetup
{
    Options options;
    QString name; // the link's name in the virtual port folder
};

// The options of quillon-modemsim, parsed; an error message for the user otherwise. --help and
// --version print and end the process.
std::variant<SimulatorSetup, QString> parseSimulatorCommandLine(const QStringList &arguments);

} // namespace modemsim
