#include "Crc.h"

CrcParams MakeCrcParams(std::uint8_t Width, std::uint32_t Poly, std::uint32_t Init,
                        std::uint32_t XorOut, bool RefIn, bool RefOut)
{
    return CrcParams{Width, Poly, Init, XorOut, RefIn, RefOut};
}

std::uint32_t ReflectBits(std::uint32_t Value, std::int32_t Bits)
{
    std::uint32_t result = 0;
    for (std::int32_t i = 0; i < Bits; ++i) {
        result = (result << 1) | (Value & 1);
        Value >>= 1;
    }
    return result;
}

void BuildCrcTable(const CrcParams &Params, CrcTable &Table)
{
    const std::uint32_t poly = ReflectBits(Params.Poly, Params.Width);
    for (std::uint32_t i = 0; i < Table.size(); ++i) {
        std::uint32_t c = i;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? (c >> 1) ^ poly : c >> 1;
        Table[i] = c;
    }
}

std::uint32_t ComputeCrc(const CrcParams &Params, const std::uint8_t *Data, std::int32_t Count,
                         const CrcTable &Table)
{
    std::uint32_t r = ReflectBits(Params.Init, Params.Width);
    for (std::int32_t i = 0; i < Count; ++i) {
        const std::uint32_t b = Params.RefIn ? Data[i] : ReflectBits(Data[i], 8);
        r = Table[(b ^ r) & 0xFF] ^ (r >> 8);
    }
    if (!Params.RefOut)
        r = ReflectBits(r, Params.Width);
    // The final XOR applies to the delivered form, as the published models define it.
    return r ^ Params.XorOut;
}
