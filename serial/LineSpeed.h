#pragma once

#include <cstdint>

namespace serial {

// Any line speed, given in bits per second, also the ones that have no B-constant. Applied on
// top of the settings already in place; false when the device refuses it.
bool setLineSpeed(int descriptor, std::uint32_t bitsPerSecond);
bool lineSpeed(int descriptor, std::uint32_t &bitsPerSecond);

} // namespace serial
