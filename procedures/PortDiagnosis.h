#pragma once

#include "common/Failure.h"

#include <QString>

#include <optional>

class ECommsError;
class TComm32;

// Why a port could not be opened, in words the user can act on: no such device, no permission
// (with how to get it), or the engine's error (usually another program holding the port).
// A port held by another program names it when the process table shows it (ProcFolder, /proc).
QString PortOpenFailureHint(const QString &CommPort, const ECommsError &OpenError,
                            const QString &ProcFolder = QStringLiteral("/proc"));

// ModemManager probes every new modem port with AT commands, which spoils a programming run.
// ProcFolder is the process table to look in (/proc).
// A folder of the process table that stands for a process (its name is the process id).
bool IsProcessFolder(const QString &Name);

bool ModemManagerRunning(const QString &ProcFolder = QStringLiteral("/proc"));
QString ModemManagerWarning();

// What the port step says about its port: the problem, and the ModemManager warning while the
// service runs.
QString PortStepHint(const QString &Problem);

// Line settings the serial port cannot take (5 to 8 data bits; 1.5 stop bits only with 5 data
// bits): the refusal that names the setting; no value when the port can take them all.
std::optional<Failure> PortSettingsRefusal(const TComm32 &Port);
