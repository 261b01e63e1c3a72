#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace modemsim {

// Paces the modem's input to what a serial line carries: every character takes its frame (start
// bit, data bits, parity bit, stop bits) at the line's bit rate. Characters that wait in the
// pseudo-terminal are only taken once the line could have delivered them, so a sender that writes
// faster finds its output backing up, as it would in front of a real line.
class LinePace
{
public:
    using Clock = std::chrono::steady_clock;

    // 0 bits per second: no pacing. The line carries `speedUp` times its rate (tests that run
    // their time faster).
    void setRate(std::uint32_t bitsPerSecond, int speedUp);
    bool paced() const { return rate > 0; }

    // The characters the line has delivered by `now` and that have not been taken, for frames of
    // `frameBits` bits; unlimited when not paced.
    std::size_t allowance(Clock::time_point now, int frameBits) const;
    // When the next character will have been delivered; only meaningful while the line is busy.
    Clock::time_point nextDue(int frameBits) const;
    // Whether the line is carrying characters (some were taken and more were waiting).
    bool busy() const { return carrying; }

    // Input appeared while the line was quiet: its first character starts now.
    void startCarrying(Clock::time_point now);
    // `count` characters were taken; `drained`: the sender had nothing more waiting.
    void took(std::size_t count, int frameBits, bool drained);

private:
    std::chrono::nanoseconds characterTime(int frameBits) const;

    std::uint64_t rate = 0; // bits per second, speed-up included
    bool carrying = false;
    Clock::time_point deliveredUpTo{}; // when the last character taken had crossed the line
};

// The bits of one character on a line set up with these termios control flags.
int frameBitsOf(unsigned controlFlags);

} // namespace modemsim
