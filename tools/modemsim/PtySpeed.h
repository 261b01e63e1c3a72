#pragma once

#include <cstdint>

namespace modemsim {

// The bit rate the program set on its end of a pseudo-terminal, read through the master (whose
// terminal settings are the slave's); 0 when none is set or it cannot be read.
std::uint32_t programLineSpeed(int masterDescriptor);

// Whether a character sent at `programRate` still reads right at `modemRate`: the two may differ
// by 3 % at most, as on a real line, where one more than that shifts the last bits of a
// character out of their places.
bool ratesAgree(std::uint32_t programRate, std::uint32_t modemRate);

} // namespace modemsim
