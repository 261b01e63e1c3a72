#pragma once

#include <QByteArrayView>

#include <cstdint>

namespace modemsim {

// CRC-16/MCRF4XX (reflected polynomial 0x8408, initial value 0xFFFF, no final xor): the checksum
// the script store reports for a stored file. Deliberately bitwise and independent of the
// program's own engine, since the simulator checks the program's figure against it.
std::uint16_t crc16Mcrf4xx(QByteArrayView bytes);

} // namespace modemsim
