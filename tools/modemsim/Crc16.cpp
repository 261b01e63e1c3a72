#include "Crc16.h"

namespace modemsim {

std::uint16_t crc16Mcrf4xx(QByteArrayView bytes)
{
    std::uint16_t crc = 0xFFFF;
    for (const char c : bytes) {
        crc ^= static_cast<std::uint8_t>(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1U) ? static_cast<std::uint16_t>((crc >> 1) ^ 0x8408U)
                             : static_cast<std::uint16_t>(crc >> 1);
    }
    return crc;
}

} // namespace modemsim
