#include "atlink/EConvertError.h"
#include "atlink/Timing.h"
#include "procedures/Procedures.h"
#include "tests/procedures/ProcedureTestKit.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <stdexcept>

using modemsim::Family;

namespace {

const QString SwitchLine = QStringLiteral("Устанавливаю скорость порта 9600 (без запоминания).");

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
    EXPECT_FALSE(PerformProgrammingRun(bench->host, QStringLiteral(" velmora")));
    const QStringList expected = {QStringLiteral("Отклик модема получен"),
                                  SwitchLine,
                                  QStringLiteral("Скорость 9600 задана."),
                                  QStringLiteral("Запись данных в модем..."),
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
    for (const auto &[faults, outcome] :
         {std::pair{refused, QStringLiteral("Ошибка. Скорость 9600 не задана.")},
          std::pair{both, QStringLiteral("Ошибка. Скорость 9600 не задана.")},
          std::pair{silent, QStringLiteral("таймаут")}}) {
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
    EXPECT_EQ(toSlow->host.lines,
              (QStringList{SwitchLine, QStringLiteral("Скорость 9600 задана.")}));

    const auto toFast = MakeBench(Family::Java);
    SetModemBaud(toFast->host, 921600);
    EXPECT_EQ(sentAfterProbe(*toFast), "AT+IPR=921600\r\n");
    EXPECT_EQ(toFast->host.lines,
              (QStringList{QStringLiteral("Устанавливаю скорость порта 921600 (без запоминания)."),
                           QStringLiteral("Скорость 921600 задана.")}));
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
        EXPECT_EQ(
            bench->host.lines,
            (QStringList{QStringLiteral("Устанавливаю скорость порта 115200 (без запоминания)."),
                         QStringLiteral("СОМ-порт не поддерживает скорость 115200."),
                         QStringLiteral("Ошибка. Скорость 115200 не задана.")}));
        EXPECT_TRUE(bench->Commands().empty());
        EXPECT_EQ(bench->channel.Comm->BaudRate(), 9600u);
        SendCommand(bench->channel, "AT", "OK", "ERROR", 3000);
        EXPECT_TRUE(bench->channel.Reply.contains("OK"));
    }
}

// The port's name (a link, a reused ttyUSBn) leads to the next modem between the identification
// and the reopen at the new rate, or to nothing: the run ends there with the reason, the other
// modem is left untouched and the modem that was read is sent nothing more.
TEST(BaudSwitch, ReopenOnAnotherDeviceOrNoneEndsTheRun)
{
    Timing::ScopedSpeedUp fast(RunSpeedUp);
    for (const bool another : {true, false}) {
        SCOPED_TRACE(another ? "another modem" : "none");
        QTemporaryDir links;
        const QString link = links.filePath(QStringLiteral("modem"));
        modemsim::Options first;
        first.linkPath = link;
        const auto bench = std::make_unique<ModemBench>(first, 115200);
        modemsim::ModemSimulator next(modemsim::Options{});
        TComm32 &port = *bench->channel.Comm;
        port.ClosePort();
        port.SetCommPort(link);
        ASSERT_NO_THROW(port.OpenPort());
        SendCommand(bench->channel, "AT+CGSN", "OK", "ERROR", 3000);
        ASSERT_TRUE(bench->channel.Reply.contains("OK"));

        QFile::remove(link);
        if (another) {
            ASSERT_TRUE(QFile::link(next.devicePath(), link));
        }
        EXPECT_EQ(commsError([&] { SetModemBaud(bench->host, 9600); }),
                  another ? QStringLiteral("СОМ-порт %1 ведёт теперь к другому устройству: модем "
                                           "сменился. Запись данных отменена.")
                                .arg(link)
                          : QStringLiteral("Неверный Handle COM-порта !"));
        EXPECT_FALSE(port.PortOpen());
        EXPECT_TRUE(next.received().isEmpty());
        EXPECT_EQ(bench->Commands().back(), "AT+IPR=9600");
    }
}

TEST(ProgrammingRun, ErrorInsideTheProcedureIsLoggedAndCountsAsFailure)
{
    const auto bench = MakeBench(Family::Script);
    bench->host.lister = [](const QString &) -> QStringList {
        throw std::runtime_error("listing failed");
    };
    EXPECT_FALSE(PerformProgrammingRun(bench->host, QStringLiteral("velmora")));
    EXPECT_EQ(
        bench->host.lines.mid(3),
        (QStringList{QStringLiteral("Внутренняя ошибка программы. Повторите операцию с шага №1."),
                     QString(), RunFailedText()}));
    EXPECT_FALSE(bench->channel.Comm->PortOpen());
}

// Only the errors the design raises carry a text for the user; the language of a message decides
// nothing.
TEST(ProgrammingRun, ErrorLineShowsTheDesignsErrorsAndHidesEveryOther)
{
    EXPECT_EQ(ErrorLine(ECommsError(CommsFault::OpenFailed, QStringLiteral("/dev/ttyUSB0"))),
              QStringLiteral("Неверный Handle COM-порта !"));
    EXPECT_EQ(ErrorLine(EConvertError("Скорость (бит/с) не выбрана.")),
              QStringLiteral("Скорость (бит/с) не выбрана."));
    EXPECT_EQ(ErrorLine(std::runtime_error("Файл не найден")),
              QStringLiteral("Внутренняя ошибка программы. Повторите операцию с шага №1."));
}

// A port that is not open makes every wait return at once with the last answer still in the
// reply; the run must not read that as the modem agreeing.
TEST(ProgrammingRun, ClosedPortFailsTheRun)
{
    TmyComm channel;
    channel.Reply = "\r\nOK\r\n";
    QTemporaryDir folder;
    QFile log(folder.filePath(QStringLiteral("transfer_fw.log")));
    ASSERT_TRUE(log.open(QIODevice::WriteOnly));
    log.write("<- 41\n-> 4F 4B\n");
    log.close();
    FakeHost host(channel, folder.path());
    EXPECT_FALSE(PerformProgrammingRun(host, QStringLiteral("tc65")));
    EXPECT_EQ(host.lines.mid(3),
              (QStringList{QStringLiteral("СОМ-порт закрыт. Запись данных отменена."), QString(),
                           RunFailedText()}));
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
        bench->Put(QStringLiteral("compiled/a.bin"), "data");
        if (GetParam().name.isEmpty())
            QDir(bench->folder.filePath(QStringLiteral("compiled"))).removeRecursively();
        else if (GetParam().bytes.isNull())
            bench->host.lister = [](const QString &) {
                return QStringList{QStringLiteral("gone.bin")};
            };
        else
            bench->Put(QStringLiteral("compiled/") + GetParam().name, GetParam().bytes);
        EXPECT_FALSE(procedure(bench->host));
        QString line = GetParam().line;
        line.replace(QStringLiteral("{dir}"), bench->folder.path());
        EXPECT_EQ(bench->host.lines,
                  QStringList{line + QStringLiteral(" Запись данных отменена.")});
        EXPECT_TRUE(bench->Commands().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    CompiledFolder, Refusals,
    testing::Values(
        Refusal{"no_folder", {}, {}, QStringLiteral("Не обнаружена папка {dir}/compiled.")},
        Refusal{"too_large", QStringLiteral("big.bin"), QByteArray(102400, 'x'),
                QStringLiteral("Файл big.bin больше 102399 байт.")},
        Refusal{"empty", QStringLiteral("empty.bin"), QByteArray(""),
                QStringLiteral("Файл empty.bin пуст.")},
        Refusal{"unreadable",
                QStringLiteral("gone.bin"),
                {},
                QStringLiteral("Файл gone.bin не удается прочитать.")},
        Refusal{"quote", QStringLiteral("b\".bin"), "x",
                QStringLiteral("Имя файла b\".bin содержит недопустимые символы.")},
        Refusal{"wildcard", QStringLiteral("b?.bin"), "x",
                QStringLiteral("Имя файла b?.bin содержит недопустимые символы.")},
        Refusal{"control", QStringLiteral("b\r.bin"), "x",
                QStringLiteral("Имя файла b?.bin содержит недопустимые символы.")},
        Refusal{"code_page", QStringLiteral("b☃.bin"), "x",
                QStringLiteral("Имя файла b☃.bin содержит недопустимые символы.")}),
    [](const testing::TestParamInfo<Refusal> &Info) { return std::string(Info.param.what); });
