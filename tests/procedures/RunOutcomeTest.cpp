#include "procedures/RunOutcome.h"

#include "procedures/ProgrammingRun.h"

#include <gtest/gtest.h>

namespace {

// The window, the runner and a station hand what they know to this one judge, so one run gets one
// record whichever front end ran it; each row is a way a run can end.
TEST(JudgeRun, GivesEachWayARunEndsItsResultReasonAndCode)
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
    const auto refusal = [&](const char *Trouble) {
        RunEnding ending = endingOf(false, false, "", Trouble, 0, 0);
        ending.refused = true;
        return ending;
    };
    const struct
    {
        RunEnding ending;
        RunResult result;
        QString reason;
        RunReason code;
    } rows[] = {
        {endingOf(true, false, "", "", 3, 3), RunResult::Programmed, {}, RunReason::None},
        // The modem took everything before the stop came: it is programmed.
        {endingOf(true, true, "", "", 3, 3), RunResult::Programmed, {}, RunReason::None},
        // A stop wins over what it caused, a lost device included.
        {endingOf(false, true, "/dev/ttyUSB0", "таймаут", 1, 3), RunResult::Interrupted,
         QStringLiteral("прервано"), RunReason::Interrupted},
        // A lost device wins over the errors that followed from it.
        {endingOf(false, false, "/dev/ttyUSB0", "таймаут", 1, 3), RunResult::Failed,
         DeviceLostText(QStringLiteral("/dev/ttyUSB0")), RunReason::DeviceLost},
        {endingOf(false, false, "", "Ошибка порта.", 1, 3), RunResult::Failed,
         QStringLiteral("Ошибка порта. (выполнено 1 из 3)"), RunReason::WriteFailed},
        {endingOf(false, false, "", "", 0, 2), RunResult::Failed,
         QStringLiteral("запись не удалась (выполнено 0 из 2)"), RunReason::WriteFailed},
        {endingOf(false, false, "", "", 0, 0), RunResult::Failed,
         QStringLiteral("запись не удалась"), RunReason::WriteFailed},
        // Data refused before anything reached the modem.
        {refusal("Не обнаружена папка compiled. Запись данных отменена."), RunResult::Failed,
         QStringLiteral("Не обнаружена папка compiled. Запись данных отменена."),
         RunReason::DataRefused},
    };
    for (const auto &row : rows) {
        const RunOutcome outcome = JudgeRun(row.ending);
        EXPECT_EQ(outcome.result, row.result) << row.reason.toStdString();
        EXPECT_EQ(outcome.reason, row.reason);
        EXPECT_EQ(outcome.code, row.code) << row.reason.toStdString();
    }
}

// A modem that never answered: whether the port opened at all is what the technician must know.
TEST(JudgeNoAnswer, TellsASilentModemFromAPortThatNeverOpened)
{
    const RunOutcome silent = JudgeNoAnswer(true, QStringLiteral("ignored"));
    EXPECT_EQ(silent.result, RunResult::NoAnswer);
    EXPECT_EQ(silent.reason, QStringLiteral("нет отклика от модема за время ожидания включения"));
    EXPECT_EQ(silent.code, RunReason::NoAnswer);

    const RunOutcome unopened = JudgeNoAnswer(false, {});
    EXPECT_EQ(unopened.reason, QStringLiteral("порт не открылся за время ожидания включения"));
    EXPECT_EQ(unopened.code, RunReason::PortNotOpened);

    const RunOutcome busy = JudgeNoAnswer(false, QStringLiteral("Порт COM3 занят."));
    EXPECT_EQ(busy.reason, QStringLiteral("порт не открылся: Порт COM3 занят."));
    EXPECT_EQ(busy.code, RunReason::PortNotOpened);
}

// The codes a line's collector reads are fixed words, whatever language the reason is in.
TEST(RunReasonCode, NamesEveryReasonInFixedEnglishWords)
{
    EXPECT_EQ(RunReasonCode(RunReason::None), QString());
    const std::pair<RunReason, const char *> codes[] = {
        {RunReason::Interrupted, "interrupted"},
        {RunReason::DeviceLost, "device-lost"},
        {RunReason::DataRefused, "data-refused"},
        {RunReason::WriteFailed, "write-failed"},
        {RunReason::NoAnswer, "no-answer"},
        {RunReason::PortNotOpened, "port-not-opened"},
        {RunReason::RecordNotSaved, "record-not-saved"}};
    for (const auto &[reason, code] : codes)
        EXPECT_EQ(RunReasonCode(reason), QString::fromLatin1(code));
}

} // namespace
