#pragma once

// waitUntil and LeakCheckedTest (no thread or descriptor left behind) come from the serial tests.
#include "tests/common/TestSupport.h"

#include <QByteArray>
#include <QString>

#include <chrono>

// Generous: the suite runs on a loaded two-core machine and under the sanitizers.
constexpr auto kPatience = 10s;

// Reads `fd` until what was read contains `needle` (never, for an empty one), the other end
// closes, or the deadline passes.
QByteArray readFrom(int fd, const QByteArray &needle, std::chrono::milliseconds deadline);

// The device opened directly by its path: bytes exactly as the simulator sends them.
class SlaveLine
{
public:
    explicit SlaveLine(const QString &devicePath);
    ~SlaveLine();
    SlaveLine(const SlaveLine &) = delete;
    SlaveLine &operator=(const SlaveLine &) = delete;

    void send(const QByteArray &bytes);
    QByteArray waitFor(const QByteArray &needle) { return readFrom(fd, needle, kPatience); }
    QByteArray drain() { return readFrom(fd, {}, 300ms); } // whatever comes within 300 ms
    bool hungUp();

private:
    int fd = -1;
};

// The device through the program's own serial component, as the procedures will use it.
class CommLine
{
public:
    explicit CommLine(const QString &devicePath);
    ~CommLine();
    CommLine(const CommLine &) = delete;
    CommLine &operator=(const CommLine &) = delete;

    void send(const QByteArray &bytes);
    QByteArray waitFor(const QByteArray &needle);

private:
    TComm32 comm;
    QByteArray pending;
};
