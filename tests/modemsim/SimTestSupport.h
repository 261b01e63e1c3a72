#pragma once

#include "tests/common/TestSupport.h"

#include <QByteArray>
#include <QString>

#include <chrono>

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
    explicit CommLine(const QString &devicePath, std::uint32_t rate = 115200);
    ~CommLine();
    CommLine(const CommLine &) = delete;
    CommLine &operator=(const CommLine &) = delete;

    void setRate(std::uint32_t rate) { comm.SetBaudRate(rate); }
    void send(const QByteArray &bytes);
    // What came until `needle` did, or until `limit` passed.
    QByteArray waitFor(const QByteArray &needle, std::chrono::milliseconds limit = kPatience);

private:
    TComm32 comm;
    QByteArray pending;
};
