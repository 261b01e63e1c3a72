#include "procedures/RunOutcome.h"

#include "procedures/ProgrammingRun.h"

#include <gtest/gtest.h>

namespace {

// The window, the runner and a station hand what they know to this one judge, so one run gets one
// record whichever front end ran it; each row is a way a run can end.
TEST(JudgeRun, GivesEachWayARunEndsItsResultAndReason)
{
    const auto endingOf = [](bool Programmed, bool Quit, const char *Lost, const char *Trouble,
                             int Done, int Total) {
        RunEnding ending;
        ending.programmed = Programmed;
        ending.quitRequested = Quit;
        ending.lostPort = QString::fromUtf8(Lost);
        ending.trouble = QString::fromUtf8(Trouble);
        ending.done = Done;
        ending.total = Total;
        return ending;
    };
    const struct
    {
        RunEnding ending;
        RunResult result;
        QString reason;
    } rows[] = {
        {endingOf(true, false, "", "", 3, 3), RunResult::Programmed, {}},
        // The modem took everything before the stop came: it is programmed.
        {endingOf(true, true, "", "", 3, 3), RunResult::Programmed, {}},
        // A stop wins over what it caused, a lost device included.
        {endingOf(false, true, "/dev/ttyUSB0", "таймаут", 1, 3), RunResult::Interrupted,
         QStringLiteral("прервано")},
        // A lost device wins over the errors that followed from it.
        {endingOf(false, false, "/dev/ttyUSB0", "таймаут", 1, 3), RunResult::Failed,
         DeviceLostText(QStringLiteral("/dev/ttyUSB0"))},
        {endingOf(false, false, "", "Ошибка порта.", 1, 3), RunResult::Failed,
         QStringLiteral("Ошибка порта. (выполнено 1 из 3)")},
        {endingOf(false, false, "", "", 0, 2), RunResult::Failed,
         QStringLiteral("запись не удалась (выполнено 0 из 2)")},
        {endingOf(false, false, "", "", 0, 0), RunResult::Failed,
         QStringLiteral("запись не удалась")},
    };
    for (const auto &row : rows) {
        const RunOutcome outcome = JudgeRun(row.ending);
        EXPECT_EQ(outcome.result, row.result) << row.reason.toStdString();
        EXPECT_EQ(outcome.reason, row.reason);
    }
}

} // namespace
