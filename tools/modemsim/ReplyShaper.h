#pragma once

#include "tools/modemsim/ModemSimulator.h"

#include <QByteArray>

#include <chrono>
#include <vector>

namespace modemsim {

// A piece of output and how long after the moment of answering it goes out.
struct TimedBytes
{
    std::chrono::milliseconds after{0};
    QByteArray bytes;
};

// Applies the answer faults (delay, stray bytes, zero bytes, pieces with pauses) to one answer.
class ReplyShaper
{
public:
    explicit ReplyShaper(const Faults &faults);
    std::vector<TimedBytes> shape(QByteArray answer) const;

private:
    std::chrono::milliseconds delay;
    bool garbage;
    bool zeroBytes;
    int pieces;
    std::chrono::milliseconds pause;
};

} // namespace modemsim
