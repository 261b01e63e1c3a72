#pragma once

#include "serial/DeviceControlBlock.h"

#include <termios.h>

namespace serial {

// Turns a settings record into raw-mode terminal settings (speed aside): character size,
// parity, stop bits, flow control, no hang-up on close, reads that never wait. False for what
// the line cannot carry: 4 data bits, or one and a half stop bits except with 5 data bits.
bool writeLineSettings(const DeviceControlBlock &settings, termios &terminal);

// The parts of a settings record that terminal settings hold (speed aside).
void readLineSettings(const termios &terminal, DeviceControlBlock &settings);

} // namespace serial
