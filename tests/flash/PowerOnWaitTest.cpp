#include "engine/PowerOnWait.h"

#include "atlink/Timing.h"
#include "atlink/TmyComm.h"
#include "engine/FlashHost.h"
#include "tools/modemsim/ModemSimulator.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

class Unheard : public RunObserver
{
public:
    void logLine(int, const QString &) override {}
    void progress(int, const PortProgress &) override {}
    void finished(int, const PortResult &) override {}
};

// Real time, a probe tick of 250 ms: the modem answers each probe 20 ms after it, and the wait
// ends as that answer comes, not at the tick after it (230 ms later), every modem on a station
// saving a quarter of a second before its run and one after it.
TEST(PowerOnWait, EndsAsTheFirstAnswerComesNotAtTheNextTick)
{
    Timing::ScopedSpeedUp realTime(1);
    modemsim::Options options;
    options.faults.answerDelay = 20ms;
    modemsim::ModemSimulator modem(options);
    TmyComm channel;
    channel.Comm->SetCommPort(modem.devicePath());
    Unheard observer;
    const RunStop stop;
    FlashHost host(channel, QString(), 0, observer, stop);

    for (const PowerOnWait::Limit limit : {PowerOnWait::Limit::None, PowerOnWait::Limit::PowerOn}) {
        SCOPED_TRACE(static_cast<int>(limit));
        ASSERT_EQ(PowerOnWait(host, limit).run(), PowerOnWait::Result::Answered);
        const Clock::time_point ended = Clock::now();
        const std::vector<modemsim::WireRecord> wire = modem.wire();
        const auto answer = std::find_if(wire.rbegin(), wire.rend(), [](const auto &Record) {
            return Record.direction == modemsim::WireRecord::Sent && Record.bytes.contains("OK");
        });
        ASSERT_NE(answer, wire.rend());
        EXPECT_LT(ended - answer->when, 125ms) << "the answer waited for the next tick";
        channel.Comm->ClosePort();
    }
}

} // namespace
