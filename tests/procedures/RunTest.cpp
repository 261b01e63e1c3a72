#include "atlink/EConvertError.h"
#include "atlink/Timing.h"
#include "procedures/Procedures.h"
#include "tests/procedures/ProcedureTestKit.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <stdexcept>

using namespace Qt::StringLiterals;
using modemsim::Family;

namespace {

const QString SwitchLine = u"Устанавливаю скорость порта 9600 (без запоминания)."_s;

std::unique_ptr<ModemBench> FastBench(modemsim::Faults Faults = {})
{
    modemsim::Options options;
    options.faults = std::move(Faults);
    return std::make_unique<ModemBench>(std::move(options), 115200);
}

} // namespace

TEST(ProgrammingRun, UnknownTypeFailsAfterTheBaudSwitch)
{
    Timing::ScopedSpeedUp fast(RunSpeedUp);
    const auto bench = FastBench();
    // A blank before the folder name makes it another type.
    EXPECT_FALSE(PerformProgrammingRun(bench->host, u" velmora"_s));
    const QStringList expected = {u"Отклик модема получен"_s,
                                  SwitchLine,
                                  u"Скорость 9600 задана."_s,
                                  u"Запись данных в модем..."_s,
                                  {},
                                  {},
                                  RunFailedText()};
    EXPECT_EQ(bench->host.lines, expected);
    EXPECT_EQ(bench->channel.Comm->BaudRate(), 9600u);
    EXPECT_FALSE(bench->channel.Comm->PortOpen());
    EXPECT_EQ(bench->host.probeFinished, 1);
    EXPECT_EQ(bench->host.writingStarted, 1);
}

TEST(ProgrammingRun, RefusedOrUnansweredBaudSwitchKeepsTheRate)
{
    Timing::ScopedSpeedUp fast(4);
    modemsim::Faults refused;
    refused.errorCommands = {{"AT+IPR=", "+CME ERROR: 4"}};
    // An answer that holds both is a refusal.
    modemsim::Faults both;
    both.errorCommands = {{"AT+IPR=", "OK\r\nERROR"}};
    modemsim::Faults silent;
    silent.silentCommands = {"AT+IPR="};
    for (const auto &[faults, outcome] : {std::pair{refused, u"Ошибка. Скорость 9600 не задана."_s},
                                          std::pair{both, u"Ошибка. Скорость 9600 не задана."_s},
                                          std::pair{silent, u"таймаут"_s}}) {
        const auto bench = FastBench(faults);
        SetModemBaud(bench->host, 9600);
        EXPECT_EQ(bench->host.lines, (QStringList{SwitchLine, outcome}));
        EXPECT_EQ(bench->channel.Comm->BaudRate(), 115200u);
        EXPECT_TRUE(bench->channel.Comm->PortOpen());
    }
}

// The switch to 9600 puts on the wire exactly the 13 bytes it always did; any other rate is named
// in the command and in the lines; a port already at the rate is left alone.
TEST(BaudSwitch, AsksForTheRateItIsGivenAndNamesItInTheLog)
{
    Timing::ScopedSpeedUp fast(RunSpeedUp);
    const auto sentAfterProbe = [](const ModemBench &Bench) {
        const QByteArray received = Bench.modem.received();
        return received.mid(received.lastIndexOf("ATE0\r\n") + 6);
    };
    const auto toSlow = FastBench();
    SetModemBaud(toSlow->host, 9600);
    EXPECT_EQ(sentAfterProbe(*toSlow), "AT+IPR=9600\r\n");
    EXPECT_EQ(toSlow->host.lines, (QStringList{SwitchLine, u"Скорость 9600 задана."_s}));

    const auto toFast = MakeBench(Family::Java);
    SetModemBaud(toFast->host, 921600);
    EXPECT_EQ(sentAfterProbe(*toFast), "AT+IPR=921600\r\n");
    EXPECT_EQ(toFast->host.lines,
              (QStringList{u"Устанавливаю скорость порта 921600 (без запоминания)."_s,
                           u"Скорость 921600 задана."_s}));
    EXPECT_EQ(toFast->channel.Comm->BaudRate(), 921600u);
    EXPECT_TRUE(toFast->channel.Comm->PortOpen());

    toFast->host.lines.clear();
    SetModemBaud(toFast->host, 921600);
    EXPECT_TRUE(toFast->host.lines.isEmpty());
    EXPECT_EQ(sentAfterProbe(*toFast), "AT+IPR=921600\r\n");
}

// A modem switched to a rate the computer's port cannot follow could not be talked to again: the
// modem is not asked, the log says why, and port and modem go on together at the old rate.
TEST(BaudSwitch, RateThePortCannotTakeIsNeverAskedOfTheModem)
{
    Timing::ScopedSpeedUp fast(RunSpeedUp);
    for (const FasterRate faster : {FasterRate::Refused, FasterRate::RunAtTheTop}) {
        modemsim::Options options;
        options.family = Family::Java;
        const auto bench =
            std::make_unique<ModemBench>(options, 9600, PortWithTopRate(57600, faster));
        SetModemBaud(bench->host, 115200);
        EXPECT_EQ(bench->host.lines,
                  (QStringList{u"Устанавливаю скорость порта 115200 (без запоминания)."_s,
                               u"СОМ-порт не поддерживает скорость 115200."_s,
                               u"Ошибка. Скорость 115200 не задана."_s}));
        EXPECT_TRUE(bench->Commands().empty());
        EXPECT_EQ(bench->channel.Comm->BaudRate(), 9600u);
        SendCommand(bench->channel, "AT", "OK", "ERROR", 3000);
        EXPECT_TRUE(bench->channel.Reply.contains("OK"));
    }
}

TEST(ProgrammingRun, ErrorInsideTheProcedureIsLoggedAndCountsAsFailure)
{
    const auto bench = MakeBench(Family::Script);
    bench->host.lister = [](const QString &) -> QStringList {
        throw std::runtime_error("listing failed");
    };
    EXPECT_FALSE(PerformProgrammingRun(bench->host, u"velmora"_s));
    EXPECT_EQ(bench->host.lines.mid(3),
              (QStringList{u"Внутренняя ошибка программы. Повторите операцию с шага №1."_s,
                           QString(), RunFailedText()}));
    EXPECT_FALSE(bench->channel.Comm->PortOpen());
}

// Only the errors the design raises carry a text for the user; the language of a message decides
// nothing.
TEST(ProgrammingRun, ErrorLineShowsTheDesignsErrorsAndHidesEveryOther)
{
    EXPECT_EQ(ErrorLine(ECommsError(u"Неверный Handle COM-порта !"_s)),
              u"Неверный Handle COM-порта !"_s);
    EXPECT_EQ(ErrorLine(EConvertError("Скорость (бит/с) не выбрана.")),
              u"Скорость (бит/с) не выбрана."_s);
    EXPECT_EQ(ErrorLine(std::runtime_error("Файл не найден")),
              u"Внутренняя ошибка программы. Повторите операцию с шага №1."_s);
}

// A port that is not open makes every wait return at once with the last answer still in the
// reply; the run must not read that as the modem agreeing.
TEST(ProgrammingRun, ClosedPortFailsTheRun)
{
    TmyComm channel;
    channel.Reply = "\r\nOK\r\n";
    QTemporaryDir folder;
    QFile log(folder.filePath(u"transfer_fw.log"_s));
    ASSERT_TRUE(log.open(QIODevice::WriteOnly));
    log.write("<- 41\n-> 4F 4B\n");
    log.close();
    FakeHost host(channel, folder.path());
    EXPECT_FALSE(PerformProgrammingRun(host, u"tc65"_s));
    EXPECT_EQ(host.lines.mid(3), (QStringList{u"СОМ-порт закрыт. Запись данных отменена."_s,
                                              QString(), RunFailedText()}));
}

struct Refusal
{
    const char *what;
    QString name; // put into "compiled" after a sound "a.bin"
    QByteArray bytes;
    QString line;
};

class Refusals : public testing::TestWithParam<Refusal>
{
};

// Files that cannot go to the modem end the run before any command is sent.
TEST_P(Refusals, EndTheRunBeforeAnythingIsSent)
{
    for (const auto procedure : {&FlashVelmora, &FlashTu41}) {
        const auto bench = MakeBench(Family::Script);
        bench->Put(u"compiled/a.bin"_s, "data");
        if (GetParam().name.isEmpty())
            QDir(bench->folder.filePath(u"compiled"_s)).removeRecursively();
        else if (GetParam().bytes.isNull())
            bench->host.lister = [](const QString &) { return QStringList{u"gone.bin"_s}; };
        else
            bench->Put(u"compiled/"_s + GetParam().name, GetParam().bytes);
        EXPECT_FALSE(procedure(bench->host));
        QString line = GetParam().line;
        line.replace(u"{dir}"_s, bench->folder.path());
        EXPECT_EQ(bench->host.lines, QStringList{line + u" Запись данных отменена."_s});
        EXPECT_TRUE(bench->Commands().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    CompiledFolder, Refusals,
    testing::Values(
        Refusal{"no_folder", {}, {}, u"Не обнаружена папка {dir}/compiled."_s},
        Refusal{"too_large", u"big.bin"_s, QByteArray(102400, 'x'),
                u"Файл big.bin больше 102399 байт."_s},
        Refusal{"empty", u"empty.bin"_s, QByteArray(""), u"Файл empty.bin пуст."_s},
        Refusal{"unreadable", u"gone.bin"_s, {}, u"Файл gone.bin не удается прочитать."_s},
        Refusal{"quote", u"b\".bin"_s, "x", u"Имя файла b\".bin содержит недопустимые символы."_s},
        Refusal{"wildcard", u"b?.bin"_s, "x", u"Имя файла b?.bin содержит недопустимые символы."_s},
        Refusal{"control", u"b\r.bin"_s, "x", u"Имя файла b?.bin содержит недопустимые символы."_s},
        Refusal{"code_page", u"b☃.bin"_s, "x",
                u"Имя файла b☃.bin содержит недопустимые символы."_s}),
    [](const testing::TestParamInfo<Refusal> &Info) { return std::string(Info.param.what); });
