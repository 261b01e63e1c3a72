#pragma once

// What the test programs share: the wait, the printer for failure messages, reading what a
// component sent, the leak check, and the pseudo-terminal pair of the simulator with the test
// playing the modem on its master.
#include "common/Failure.h"
#include "serial/TComm32.h"
#ifndef Q_OS_WIN
#include "tools/modemsim/PtyPair.h"
#endif

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <ostream>

using namespace std::chrono_literals;

// How long a test waits for what must come: generous, because the suites run on a loaded
// two-core machine and under the sanitizers. Only a failing test waits this long, and only once:
// a test whose wait of five seconds or more has run out has failed, and its later waits (waitUntil,
// readFor, readFrom) only look, so that it ends at the step that failed, well before the test
// runner's limit of 120 s, instead of running into it.
inline constexpr std::chrono::milliseconds kPatience = 60s;

// When the running test started.
std::chrono::steady_clock::time_point TestStarted();

// Failure messages show texts and bytes readably, line ends escaped.
void PrintTo(const QString &text, std::ostream *out);
void PrintTo(const QByteArray &bytes, std::ostream *out);

// Pumps the event loop until `done` holds or the deadline passes; true when it held.
bool waitUntil(const std::function<bool()> &done, std::chrono::milliseconds deadline = kPatience);
// Lets queued notifications through for a while.
void pumpFor(std::chrono::milliseconds time);

#ifndef Q_OS_WIN
// Reads a descriptor until `count` bytes have come, the other end closes or the deadline passes;
// never more than `count` bytes.
QByteArray readFor(int descriptor, qsizetype count, std::chrono::milliseconds deadline);
// Reads a descriptor until what was read contains `needle` (never, for an empty one), the other
// end closes or the deadline passes.
QByteArray readFrom(int descriptor, const QByteArray &needle, std::chrono::milliseconds deadline);

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

// The simulator's pseudo-terminal pair, with the test on the master: the component opens the
// slave by its path, and the test keeps a descriptor of the slave to inspect its settings. (On
// Windows the devices are real ports joined by a null modem.)
class PtyPair : public modemsim::PtyPair
{
public:
    void send(const QByteArray &bytes);
    QByteArray receive(qsizetype count, std::chrono::milliseconds deadline = kPatience)
    {
        return readFor(master(), count, deadline);
    }
    QByteArray receiveUntil(const QByteArray &needle,
                            std::chrono::milliseconds deadline = kPatience)
    {
        return readFrom(master(), needle, deadline);
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

// The text of a check's failure, or an empty string when it found none.
QString failureText(const std::optional<Failure> &reason);
