#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

// The rate the modem and the port are switched to for writing a modem: one of the standard rates
// from 1200 to 921600 bit/s. Without a choice it is 9600, the rate every modem takes.
inline constexpr std::uint32_t DefaultWriteRate = 9600;
inline constexpr std::array<std::uint32_t, 11> WriteRates = {
    1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400, 460800, 921600};

// The write rate that Text names in decimal ("115200"), or no value when it names none.
std::optional<std::uint32_t> WriteRateNamed(const QString &Text);

// "1200, 2400, ..., 921600": the rates as a refusal lists them.
QString WriteRateList();

// The line that refuses a profile's writerate: it names the key and the value.
QString ProfileWriteRateRefusal(const QString &Value);
