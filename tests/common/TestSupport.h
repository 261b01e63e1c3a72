#pragma once

#include "serial/TComm32.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

// Pumps the event loop until `done` holds or the deadline passes; true when it held.
bool waitUntil(const std::function<bool()> &done, std::chrono::milliseconds deadline = 10s);
// Lets queued notifications through for a while.
inline void pumpFor(std::chrono::milliseconds time)
{
    waitUntil([] { return false; }, time);
}

#ifndef _WIN32
// Reads from a descriptor until `count` bytes have come or the deadline passed.
QByteArray readFor(int descriptor, qsizetype count, std::chrono::milliseconds deadline);

// Counts the process's descriptors and threads around each test: none may be left behind.
class LeakCheckedTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

private:
    int descriptorsBefore = 0;
    int threadsBefore = 0;
};

// A pseudo-terminal pair: the component opens the slave by its path, the test plays the modem on
// the master, and keeps a descriptor of the slave to inspect its settings.
class PtyPair
{
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    QString path;
    int master = -1;
    int slave = -1;

    void send(const QByteArray &bytes);
    QByteArray receive(qsizetype count, std::chrono::milliseconds deadline = 10s)
    {
        return readFor(master, count, deadline);
    }
};

#endif

// Collects what a component delivers.
struct Received
{
    explicit Received(TComm32 &port);
    QByteArray bytes;
    std::vector<qsizetype> blockSizes;
    bool everyBlockTerminated = true;
    int hangups = 0;
};

// The message of the ECommsError that `action` raises, or an empty string.
QString commsError(const std::function<void()> &action);
