#pragma once

#include <cstdint>

namespace serial {

// Bits of DeviceControlBlock::Flags.
constexpr std::uint32_t fBinary = 0x0001;
constexpr std::uint32_t fParity = 0x0002;      // check the parity of received bytes
constexpr std::uint32_t fOutxCtsFlow = 0x0004; // hold output while CTS is low
constexpr std::uint32_t fOutX = 0x0100;        // honour XON/XOFF from the far side
constexpr std::uint32_t fInX = 0x0200;         // send XON/XOFF to the far side
constexpr std::uint32_t fRtsControlHandshake = 0x2000;
constexpr std::uint32_t HardwareFlowBits = fOutxCtsFlow | fRtsControlHandshake;
constexpr std::uint32_t SoftwareFlowBits = fOutX | fInX;

// The complete line settings of a device, handed to it as a whole. The layout is the one the
// stored settings and the port dialog were designed around, and the Windows layer copies it as
// the system's own record; fields a device has no use for are carried along unchanged.
struct DeviceControlBlock
{
    std::uint32_t DCBlength = 28;
    std::uint32_t BaudRate = 9600;
    std::uint32_t Flags = fBinary;
    std::uint16_t wReserved = 0;
    std::uint16_t XonLim = 0;
    std::uint16_t XoffLim = 0;
    std::uint8_t ByteSize = 8;
    std::uint8_t Parity = 0;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
    std::uint8_t StopBits = 0; // 0 one, 1 one and a half, 2 two
    char XonChar = 0;
    char XoffChar = 0;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
    std::uint16_t wReserved1 = 0;
};

} // namespace serial
