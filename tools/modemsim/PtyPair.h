#pragma once

#include <QString>

namespace modemsim {

// A pseudo-terminal pair: the master is the modem's end (non-blocking), the slave the device the
// program opens, in raw mode so that the line discipline neither echoes nor translates anything.
class PtyPair
{
public:
    PtyPair(); // throws std::runtime_error when no pair can be had
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    int master() const { return masterFd; }
    int slave() const { return slaveFd; }
    QString slavePath() const { return path; }
    void close();

private:
    int masterFd = -1;
    int slaveFd = -1; // held open so that the master sees no hang-up while the program is away
    QString path;
};

} // namespace modemsim
