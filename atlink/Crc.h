#pragma once

#include <array>
#include <cstdint>

// Table-driven CRC over any published model of up to 32 bits (Width, Poly, Init, XorOut, RefIn,
// RefOut), as the transfers and their checks use it.
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

CrcParams MakeCrcParams(std::uint8_t Width, std::uint32_t Poly, std::uint32_t Init,
                        std::uint32_t XorOut, bool RefIn, bool RefOut);
std::uint32_t ReflectBits(std::uint32_t Value, std::int32_t Bits);
void BuildCrcTable(const CrcParams &Params, CrcTable &Table);
std::uint32_t ComputeCrc(const CrcParams &Params, const std::uint8_t *Data, std::int32_t Count,
                         const CrcTable &Table);
