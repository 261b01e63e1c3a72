#pragma once

#include <QString>

#include <array>
#include <cstdint>

class TmyComm;

struct CrcParams
{
    std::uint8_t Width;
    std::uint32_t Poly;
    std::uint32_t Init;
    std::uint32_t XorOut;
    bool RefIn;
    bool RefOut;
};

using CrcTable = std::array<std::uint32_t, 256>;

// The largest file SendFile takes: its buffer of 102,400 bytes holds the content and one zero.
inline constexpr std::int32_t MaxTransferSize = 102399;

// Reads Size bytes of the file (zeros stand in past its end), clears the channel's replies and
// queues the bytes as one write. Returns the CRC-16/MCRF4XX of the bytes when WithCrc, else 0.
// Raises std::runtime_error (nothing sent, nothing cleared) when the file cannot be read or Size
// is outside 0..MaxTransferSize.
std::uint32_t SendFile(TmyComm &Channel, const QString &FileName, std::int32_t Size, bool WithCrc);

CrcParams MakeCrcParams(std::uint8_t Width, std::uint32_t Poly, std::uint32_t Init,
                        std::uint32_t XorOut, bool RefIn, bool RefOut);
std::uint32_t ReflectBits(std::uint32_t Value, std::int32_t Bits);
void BuildCrcTable(const CrcParams &Params, CrcTable &Table);
std::uint32_t ComputeCrc(const CrcParams &Params, const std::uint8_t *Data, std::int32_t Count,
                         const CrcTable &Table);

// Blocks the calling thread for the (scaled) time, then processes its pending events once.
void Pause(std::uint32_t Milliseconds);
