#pragma once

#include "serial/TComm32.h"

#include <QString>

// The user's words for why a serial port could not be opened. The words are the ones the
// design's serial component used, the Latin "COM" and the blanks before "!" included.
QString CommsErrorText(const ECommsError &Error);
