#pragma once

// What the benchmarks share: the demo types, the simulated modems they drive, and the process's
// own figures (memory, descriptors, processor time) that they print.
#include "tools/modemsim/ModemSimulator.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

// The demo types shipped with the program; the folder, ending in a slash.
QString demoData();

// An IMEI of its own for each number, so that a station takes every modem for a new one.
QByteArray imeiNumber(int Number);

// A simulated modem of the family at the line rate (0: no pacing) that keeps no trace of what
// passed, so that a long run's memory is the program's and not the simulator's.
modemsim::Options untracedModem(modemsim::Family Family, std::uint32_t LineRate = 0);

// Writes the file whole; a failure is said on stderr, the figures that follow are then void.
void writeFile(const QString &Path, const QByteArray &Bytes);

// The process's resident memory; -1 when it cannot be read.
long residentKilobytes();
// What glibc's allocator has handed out and not had back, over all its arenas: unlike resident
// memory, what the program keeps, whatever the allocator still holds of what it let go.
long heapInUseKilobytes();
qsizetype openDescriptors();
// User and system time the whole process has taken so far.
double cpuSeconds();
