#pragma once

#include "serial/TComm32.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>
#include <variant>

// One understood line of a port profile ("upload.ini"): the device name, the speed, one of the
// line settings, or the rate to write the modem at.
struct PortName
{
    QString Value;
    bool operator==(const PortName &) const = default;
};
struct BaudRateSetting
{
    std::uint32_t Value;
    bool operator==(const BaudRateSetting &) const = default;
};
// The rate the modem is written at ("writerate").
struct WriteRateSetting
{
    std::uint32_t Value;
    bool operator==(const WriteRateSetting &) const = default;
};
// A "writerate" that names no write rate: unlike a bad line setting, which is dropped, it refuses
// the whole profile, because writing at a rate nobody chose is worse than not writing.
struct BadWriteRate
{
    QString Value;
    bool operator==(const BadWriteRate &) const = default;
};
using PortSetting = std::variant<PortName, BaudRateSetting, TBytesize, TParity, TStopBits,
                                 TFlowControl, WriteRateSetting, BadWriteRate>;

// Said (in the log, and in a warning box) when a type has no profile: the port keeps the settings
// it has.
QString ProfileMissingText();

// The lines of a profile's content: a Ctrl-Z ends it, lines end with LF (a CR before it is
// trimmed away with the other control characters).
QList<QByteArray> ProfileLines(const QByteArray &Content);

// What one key=value line sets, or nothing for a line without a known key or with a bad value.
std::optional<PortSetting> ParsePortSetting(const QByteArray &Line);
