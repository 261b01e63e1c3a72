#pragma once

#include <QString>

#include <optional>

class TComm32;

// Why a port could not be opened, in words the user can act on: no such device, no permission
// (with how to get it), or the system's own message (usually another program holding the port).
QString PortOpenFailureHint(const QString &CommPort, const QString &ErrorText);

// ModemManager probes every new modem port with AT commands, which spoils a programming run.
// ProcFolder is the process table to look in (/proc).
bool ModemManagerRunning(const QString &ProcFolder = QStringLiteral("/proc"));
QString ModemManagerWarning();

// Line settings the serial port cannot take (5 to 8 data bits; 1.5 stop bits only with 5 data
// bits), as the refusal line that names the setting; no value when the port can take them all.
std::optional<QString> PortSettingsRefusal(const TComm32 &Port);
