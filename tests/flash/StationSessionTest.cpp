#include "engine/StationSession.h"

#include <gtest/gtest.h>

namespace {

PortResult ended(PortOutcome Outcome, const QString &Imei, const QString &Reason = {})
{
    PortResult result;
    result.outcome = Outcome;
    result.imei = Imei;
    result.reason = Reason;
    return result;
}

// A modem is recognised by the IMEI of a run that programmed it, on whichever port it comes back;
// one that failed, was interrupted or told no IMEI is programmed when it comes again.
TEST(StationSession, KnowsOnlyTheModemsItProgrammedByTheirImei)
{
    StationSession session(2);
    const QString done = QStringLiteral("490154203237518");
    const QString failed = QStringLiteral("490154203237526");
    const QString interrupted = QStringLiteral("490154203237534");
    EXPECT_FALSE(session.programmedBefore(done));

    session.count(0, ended(PortOutcome::Programmed, done));
    session.count(0, ended(PortOutcome::Failed, failed, QStringLiteral("таймаут")));
    session.count(1, ended(PortOutcome::Interrupted, interrupted));
    session.count(1, ended(PortOutcome::Programmed, {}));

    EXPECT_TRUE(session.programmedBefore(done));
    EXPECT_FALSE(session.programmedBefore(failed));
    EXPECT_FALSE(session.programmedBefore(interrupted));
    EXPECT_FALSE(session.programmedBefore({}));
}

// An interrupted run is the operator's doing: neither programmed nor failed, and the last failure
// stays the modem's that failed.
TEST(StationSession, CountsEachPortsOutcomesAndNoInterruptionAsAFailure)
{
    StationSession session(2);
    session.count(0, ended(PortOutcome::Programmed, QStringLiteral("111111111111111")));
    session.count(0, ended(PortOutcome::Failed, {}, QStringLiteral("таймаут")));
    const StationTally afterStop =
        session.count(0, ended(PortOutcome::Interrupted, {}, QStringLiteral("прервано")));
    session.count(1, ended(PortOutcome::NoAnswer, {}, QStringLiteral("нет отклика")));

    EXPECT_EQ(afterStop.programmed, 1);
    EXPECT_EQ(afterStop.failed, 1);
    EXPECT_EQ(afterStop.lastFailure, QStringLiteral("таймаут"));
    const QList<StationTally> tallies = session.tallies();
    ASSERT_EQ(tallies.size(), 2);
    EXPECT_EQ(tallies.at(1).programmed, 0);
    EXPECT_EQ(tallies.at(1).failed, 1);
    EXPECT_EQ(tallies.at(1).lastFailure, QStringLiteral("нет отклика"));
}

} // namespace
