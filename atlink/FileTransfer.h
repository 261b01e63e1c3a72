#pragma once

#include "common/Failure.h"

#include <QString>

#include <cstdint>

class TmyComm;

// The largest file SendFile takes: its buffer of 102,400 bytes holds the content and one zero.
inline constexpr std::int32_t MaxTransferSize = 102399;

// Reads Size bytes of the file (zeros stand in past its end), clears the channel's replies and
// queues the bytes as one write. Returns the CRC-16/MCRF4XX of the bytes when WithCrc, else 0;
// a BadFile failure (nothing sent, nothing cleared) when the file cannot be read or Size is
// outside 0..MaxTransferSize.
Result<std::uint32_t> SendFile(TmyComm &Channel, const QString &FileName, std::int32_t Size,
                               bool WithCrc);
