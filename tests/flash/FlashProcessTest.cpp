#include "tests/flash/FlashProcess.h"
#include "engine/RunEvents.h"
#include "flash/ExitCodes.h"
#include "procedures/ProgrammingRun.h"
#include "records/RunRecord.h"
#include "serial/TComm32.h"
#include "tests/common/TestSupport.h"
#include "tools/modemsim/ModemSimulator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using modemsim::Family;
using modemsim::ModemSimulator;

namespace {

QString testData(const QString &Path)
{
    return QStringLiteral(QUILLON_TEST_DATA "/") + Path;
}

QByteArray fileBytes(const QString &Path)
{
    QFile file(testData(Path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

modemsim::Options modemOf(Family Kind)
{
    modemsim::Options options;
    options.family = Kind;
    if (Kind == Family::Replay)
        options.transferLog = testData(QStringLiteral("tc65/transfer_fw.log"));
    return options;
}

QString outcomeOf(const QByteArray &Out, const QString &Port)
{
    return ResultEvent(Out, Port)[QStringLiteral("result")].toString();
}

bool portClosed(const QByteArray &Out, const QString &Port)
{
    return ResultEvent(Out, Port)[QStringLiteral("port_closed")].toBool();
}

struct FamilyCase
{
    const char *type;
    Family family;
    const char *title;
};

class EachFamily : public ::testing::TestWithParam<FamilyCase>
{
};

TEST_P(EachFamily, IsProgrammedWithTheWindowsLogAndThePortReleased)
{
    const FamilyCase &family = GetParam();
    ModemSimulator modem(modemOf(family.family));
    const QString port = modem.devicePath();
    FlashProcess flash(FlashArguments(QString::fromLatin1(family.type), {port})
                       << QStringLiteral("--json"));
    ASSERT_EQ(flash.finish(), FlashExit::AllProgrammed)
        << flash.err().toStdString() << LogTexts(flash.out(), port).join(u'\n').toStdString();

    const QStringList log = LogTexts(flash.out(), port);
    ASSERT_GE(log.size(), 6);
    EXPECT_EQ(log.at(0),
              QStringLiteral("Выбран модем \"%1\"").arg(QString::fromUtf8(family.title)));
    // The profile names COM9; the port given on the command line wins.
    const QStringList opening{QStringLiteral("Ожидаю подключение модема к СОМ-порту..."),
                              QStringLiteral("Модем подключен. Порт: ") + port,
                              QStringLiteral("Ожидаю отклик от модема..."),
                              QStringLiteral("Отклик модема получен")};
    const qsizetype first = log.indexOf(opening.first());
    ASSERT_GT(first, 0);
    EXPECT_EQ(log.mid(first, opening.size()), opening);
    EXPECT_TRUE(log.contains(QStringLiteral("Запись данных в модем...")));
    EXPECT_EQ(log.back(), RunSucceededText());
    EXPECT_EQ(outcomeOf(flash.out(), port), QStringLiteral("programmed"));
    EXPECT_TRUE(ResultEvent(flash.out(), port)[QStringLiteral("reason")].isNull());
    EXPECT_TRUE(portClosed(flash.out(), port));

    switch (family.family) {
    case Family::Script:
        // The profile's 115200 bit/s makes the run switch the modem to 9600 first.
        EXPECT_TRUE(log.contains(QStringLiteral("Скорость 9600 задана.")));
        EXPECT_EQ(modem.storedFiles().at("main.py"),
                  fileBytes(QStringLiteral("velmora/compiled/main.py")));
        EXPECT_EQ(modem.storedFiles().size(), 2U);
        break;
    case Family::Java: {
        const QByteArray jar = fileBytes(QStringLiteral("Tu41/compiled/ehsx.jar"));
        EXPECT_EQ(modem.storedFiles().at("ehsx.jar"), jar);
        // The progress events follow the file's bytes to the last one.
        const QList<QJsonObject> moves = JsonEvents(flash.out(), port, QStringLiteral("progress"));
        EXPECT_TRUE(std::any_of(moves.begin(), moves.end(), [&](const QJsonObject &move) {
            return move[QStringLiteral("transfer_file")].toString() == u"ehsx.jar" &&
                   move[QStringLiteral("transfer_bytes")].toInteger() == jar.size() &&
                   move[QStringLiteral("transfer_sent")].toInteger() == jar.size();
        }));
        break;
    }
    case Family::Replay:
        EXPECT_EQ(log.at(1), QStringLiteral("Файл upload.ini не обнаружен или испорчен. Настройки "
                                            "СОМ-порта взяты по умолчанию."));
        EXPECT_EQ(modem.replayedBlocks(), std::vector<int>({0, 1}));
        break;
    case Family::Every:
        break;
    }
}

// The rate on the command line wins over the profile's, on the wire and in the log.
TEST(FlashWriteRate, TheOptionWinsOverTheProfile)
{
    ModemSimulator modem(modemOf(Family::Java));
    const QString port = modem.devicePath();
    FlashProcess flash(FlashArguments(QStringLiteral("tu41"), {port})
                       << QStringLiteral("--write-rate") << QStringLiteral("115200")
                       << QStringLiteral("--json"));
    ASSERT_EQ(flash.finish(), FlashExit::AllProgrammed) << flash.err().toStdString();
    const QStringList log = LogTexts(flash.out(), port);
    EXPECT_TRUE(log.contains(QStringLiteral("Скорость 115200 задана.")));
    const std::vector<QByteArray> commands = modem.commands();
    EXPECT_NE(std::find(commands.begin(), commands.end(), "AT+IPR=115200"), commands.end());
}

INSTANTIATE_TEST_SUITE_P(
    Flash, EachFamily,
    ::testing::Values(FamilyCase{"velmora", Family::Script, "Velmora script modem"},
                      FamilyCase{"tu41", Family::Java, "Tu41 Java modem"},
                      FamilyCase{"TC65", Family::Replay, "TC65 replay modem"}));

std::vector<std::unique_ptr<ModemSimulator>> scriptModems(std::vector<modemsim::Faults> Faults)
{
    std::vector<std::unique_ptr<ModemSimulator>> modems;
    for (modemsim::Faults &faults : Faults) {
        modemsim::Options options = modemOf(Family::Script);
        options.faults = std::move(faults);
        modems.push_back(std::make_unique<ModemSimulator>(options));
    }
    return modems;
}

// A modem that is off: it never answers the probe.
std::vector<std::unique_ptr<ModemSimulator>> switchedOffModems()
{
    modemsim::Faults off;
    off.neverAnswerProbe = true;
    return scriptModems({off});
}

QStringList portsOf(const std::vector<std::unique_ptr<ModemSimulator>> &Modems)
{
    QStringList ports;
    for (const auto &modem : Modems)
        ports.append(modem->devicePath());
    return ports;
}

TEST(FlashSeveralPorts, OneFailingModemLeavesTheOthersProgrammedAndTheSummarySaysWhich)
{
    modemsim::Faults deleteNeverAnswered;
    deleteNeverAnswered.silentCommands = {"AT#DSCRIPT="};
    const auto modems = scriptModems({{}, deleteNeverAnswered, {}});
    const QStringList ports = portsOf(modems);
    FlashProcess flash(FlashArguments(QStringLiteral("velmora"), ports));
    ASSERT_EQ(flash.finish(), FlashExit::SomeFailed) << flash.err().toStdString();

    const QString out = QString::fromUtf8(flash.out());
    for (qsizetype index : {0, 2}) {
        EXPECT_TRUE(out.contains(ports.at(index) + QStringLiteral(": ") + RunSucceededText()));
        EXPECT_EQ(modems.at(static_cast<std::size_t>(index))->storedFiles().size(), 2U);
    }
    EXPECT_TRUE(out.contains(ports.at(1) + QStringLiteral(": таймаут")));
    EXPECT_TRUE(out.contains(ports.at(1) + QStringLiteral(": ") + RunFailedText()));

    const QString summary = out.mid(out.indexOf(QStringLiteral("Итог:")));
    EXPECT_TRUE(summary.startsWith(
        QStringLiteral("Итог: запрограммировано модемов: 2 из 3 (код завершения 1)")));
    const QStringList rows = summary.split(u'\n').mid(1, 3);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_TRUE(rows.at(0).contains(ports.at(0)) &&
                rows.at(0).contains(QStringLiteral("запрограммирован")));
    EXPECT_TRUE(rows.at(1).contains(ports.at(1)) && rows.at(1).contains(QStringLiteral("ОШИБКА")) &&
                rows.at(1).contains(QStringLiteral("(выполнено 0 из 2)")))
        << rows.at(1).toStdString();
    EXPECT_TRUE(rows.at(2).contains(ports.at(2)) &&
                rows.at(2).contains(QStringLiteral("запрограммирован")));
}

// The runner for a technician who reads English: the log, the live words, the reasons and the
// summary in English, and the record's reason in English beside the same code as in Russian.
TEST(FlashInEnglish, LogReasonsSummaryAndRecordsAreInEnglish)
{
    modemsim::Faults deleteNeverAnswered;
    deleteNeverAnswered.silentCommands = {"AT#DSCRIPT="};
    const auto modems = scriptModems({{}, deleteNeverAnswered});
    const QStringList ports = portsOf(modems);
    const QTemporaryDir scratch;
    const QString recordFile = scratch.filePath(QStringLiteral("runs.jsonl"));
    qputenv("QUILLON_LANG", "en");
    FlashProcess flash(FlashArguments(QStringLiteral("velmora"), ports)
                       << QStringLiteral("--record") << recordFile);
    qputenv("QUILLON_LANG", "ru");
    ASSERT_EQ(flash.finish(), FlashExit::SomeFailed) << flash.err().toStdString();

    const QString out = QString::fromUtf8(flash.out());
    EXPECT_FALSE(std::any_of(out.begin(), out.end(), [](QChar c) {
        return c.script() == QChar::Script_Cyrillic;
    })) << out.toStdString();
    EXPECT_TRUE(out.contains(ports.at(0) +
                             QStringLiteral(": Modem type \"Velmora script modem\" selected")))
        << out.toStdString();
    EXPECT_TRUE(out.contains(ports.at(0) + QStringLiteral(": Programming completed successfully")));
    EXPECT_TRUE(out.contains(ports.at(1) + QStringLiteral(": timeout")));
    const QString summary = out.mid(out.indexOf(QStringLiteral("Total:")));
    EXPECT_TRUE(
        summary.startsWith(QStringLiteral("Total: modems programmed: 1 of 2 (exit code 1)")))
        << summary.toStdString();
    const QStringList rows = summary.split(u'\n').mid(1, 2);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_TRUE(rows.at(0).contains(QStringLiteral("programmed"))) << rows.at(0).toStdString();
    EXPECT_TRUE(rows.at(1).contains(QStringLiteral("FAILED")) &&
                rows.at(1).contains(QStringLiteral("(0 of 2 done)")))
        << rows.at(1).toStdString();

    QFile records(recordFile);
    ASSERT_TRUE(records.open(QIODevice::ReadOnly));
    QMap<QString, QJsonObject> byPort;
    for (const QByteArray &line : records.readAll().split('\n')) {
        const QJsonObject record = QJsonDocument::fromJson(line).object();
        if (!record.isEmpty())
            byPort.insert(record[QStringLiteral("port")].toString(), record);
    }
    ASSERT_EQ(byPort.size(), 2);
    EXPECT_TRUE(byPort[ports.at(0)][QStringLiteral("reason_code")].isNull());
    EXPECT_EQ(byPort[ports.at(1)][QStringLiteral("reason")].toString(),
              QStringLiteral("The modem did not answer the deletion of file main.py: timeout "
                             "(0 of 2 done)"));
    EXPECT_EQ(byPort[ports.at(1)][QStringLiteral("reason_code")].toString(),
              QStringLiteral("write-failed"));
}

TEST(FlashSeveralPorts, AVanishingDeviceFailsAloneAndIsReleased)
{
    modemsim::Faults vanishing;
    vanishing.vanishAfterBytes = 60; // during the first commands after the baud-rate switch
    const auto modems = scriptModems({vanishing, {}});
    const QStringList ports = portsOf(modems);
    FlashProcess flash(FlashArguments(QStringLiteral("velmora"), ports)
                       << QStringLiteral("--json"));
    ASSERT_EQ(flash.finish(), FlashExit::SomeFailed) << flash.err().toStdString();

    EXPECT_EQ(outcomeOf(flash.out(), ports.at(0)), QStringLiteral("failed"));
    EXPECT_TRUE(portClosed(flash.out(), ports.at(0)));
    EXPECT_EQ(LogTexts(flash.out(), ports.at(0)).back(), RunFailedText());
    EXPECT_EQ(outcomeOf(flash.out(), ports.at(1)), QStringLiteral("programmed"));
    EXPECT_EQ(modems.at(1)->storedFiles().size(), 2U);
}

// Data no run could use stops the runner before any modem is probed or switched, with the line
// the procedure would have logged, whatever the number of ports.
TEST(FlashInvocation, DataThatCannotBeSentEndsWithStatusTwoBeforeAnyPortIsOpened)
{
    QTemporaryDir data;
    const auto write = [&](const QString &Name, const QByteArray &Bytes) {
        QDir().mkpath(QFileInfo(data.filePath(Name)).path());
        QFile file(data.filePath(Name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(Bytes);
    };
    write(QStringLiteral("Quillon_dir.ini"), "Velmora:velmora\r\nTc65:tc65\r\n");
    write(QStringLiteral("velmora/compiled/main.py"), "print(1)\n");
    write(QStringLiteral("tc65/transfer_fw.log"), "<- 41 54 0D 0A\r\n-> 4F 4B\r\n");

    const struct
    {
        QString type;
        std::function<void()> spoil;
        QByteArray said;
    } cases[] = {
        {QStringLiteral("velmora"),
         [&] { write(QStringLiteral("velmora/compiled/empty.bin"), {}); },
         "Файл empty.bin пуст. Запись данных отменена."},
        {QStringLiteral("tc65"),
         [&] { write(QStringLiteral("tc65/transfer_fw.log"), "<- 41 5G\r\n"); },
         "transfer_fw.log, строка 1"},
        {QStringLiteral("velmora"),
         [&] {
             QFile::remove(data.filePath(QStringLiteral("velmora/compiled/empty.bin")));
             write(QStringLiteral("velmora/upload.ini"), "databits=8\r\nstopbits=1,5\r\n");
         },
         "Стоповые биты: 1,5"},
        {QStringLiteral("velmora"),
         [&] { write(QStringLiteral("velmora/upload.ini"), "databits=4\r\n"); }, "Биты данных: 4"},
        {QStringLiteral("velmora"),
         [&] { write(QStringLiteral("velmora/upload.ini"), "WriteRate=256000\r\n"); },
         "writerate=256000"},
        {QStringLiteral("velmora"),
         [&] {
             QFile::remove(data.filePath(QStringLiteral("velmora/upload.ini")));
             ASSERT_TRUE(QFile::link(QStringLiteral("/proc/self/mem"),
                                     data.filePath(QStringLiteral("velmora/upload.ini"))));
         },
         "upload.ini не удается прочитать"},
    };
    const auto modems = scriptModems({{}, {}});
    for (const auto &each : cases) {
        SCOPED_TRACE(each.said.toStdString());
        each.spoil();
        FlashProcess flash(FlashArguments(each.type, portsOf(modems), data.path()));
        EXPECT_EQ(flash.finish(), FlashExit::BadInvocation);
        EXPECT_TRUE(flash.err().contains(each.said)) << flash.err().toStdString();
        EXPECT_TRUE(flash.out().isEmpty());
    }
    for (const auto &modem : modems)
        EXPECT_TRUE(modem->received().isEmpty());
}

// What a technician asks an installed runner first: its version, and where its types come from.
TEST(FlashInvocation, VersionAndHelpSayWhatRunsAndOnWhichTypes)
{
    FlashProcess version({QStringLiteral("--version")});
    ASSERT_EQ(version.finish(), FlashExit::AllProgrammed);
    EXPECT_EQ(QString::fromUtf8(version.out()),
              QStringLiteral("quillon-flash %1\n").arg(QuillonVersion()));

    qputenv("QUILLON_DATA_DIR", QUILLON_TEST_DATA);
    FlashProcess help({QStringLiteral("--help")});
    const int status = help.finish();
    qunsetenv("QUILLON_DATA_DIR");
    ASSERT_EQ(status, FlashExit::AllProgrammed);
    EXPECT_TRUE(QString::fromUtf8(help.out())
                    .endsWith(QStringLiteral("The modem types are read now from: %1/ (from "
                                             "$QUILLON_DATA_DIR)\n")
                                  .arg(QStringLiteral(QUILLON_TEST_DATA))))
        << help.out().toStdString();
}

TEST(FlashNoAnswer, NoModemAnsweringWithinThePowerOnWaitEndsWithStatusThree)
{
    const auto modems = switchedOffModems();
    const QString absent = QStringLiteral("/dev/quillon-test-no-such-port");
    FlashProcess flash(
        FlashArguments(QStringLiteral("velmora"), {modems.at(0)->devicePath(), absent})
        << QStringLiteral("--json"));
    ASSERT_EQ(flash.finish(), FlashExit::NoModemAnswered) << flash.err().toStdString();

    const QJsonObject silent = ResultEvent(flash.out(), modems.at(0)->devicePath());
    EXPECT_EQ(silent[QStringLiteral("result")].toString(), QStringLiteral("no-answer"));
    EXPECT_TRUE(
        silent[QStringLiteral("reason")].toString().contains(QStringLiteral("нет отклика")));
    EXPECT_EQ(silent[QStringLiteral("reason_code")].toString(), QStringLiteral("no-answer"));
    EXPECT_TRUE(silent[QStringLiteral("port_closed")].toBool());
    // The whole power-on wait was given, and not much more.
    const int nominalWaitMs = 15000 / FlashProcess::SpeedUp;
    EXPECT_GE(silent[QStringLiteral("elapsed_ms")].toInt(), nominalWaitMs);
    EXPECT_TRUE(LogTexts(flash.out(), modems.at(0)->devicePath())
                    .contains(QStringLiteral("Время ожидания отклика от модема истекло.")));
    EXPECT_TRUE(ResultEvent(flash.out(), absent)[QStringLiteral("reason")].toString().contains(
        QStringLiteral("порт не открылся")));
    EXPECT_EQ(ResultEvent(flash.out(), absent)[QStringLiteral("reason_code")].toString(),
              QStringLiteral("port-not-opened"));
    EXPECT_TRUE(modems.at(0)->commands().size() > 1) << "the probe is repeated during the wait";
}

// A port another program holds: the runner says so, by name, while it keeps trying.
TEST(FlashNoAnswer, APortHeldByAnotherProgramIsSaidToBeBusyByWhom)
{
    const auto modems = scriptModems({{}});
    const QString port = modems.at(0)->devicePath();
    TComm32 holder;
    holder.SetCommPort(port);
    ASSERT_NO_THROW(holder.OpenPort());
    FlashProcess flash(FlashArguments(QStringLiteral("velmora"), {port})
                       << QStringLiteral("--json") << QStringLiteral("--no-wait"));
    ASSERT_EQ(flash.finish(), FlashExit::PortNotOpened) << flash.err().toStdString();
    holder.ClosePort();

    const QString busy = QStringLiteral("занят программой test_flash_runs (процесс %1)")
                             .arg(QCoreApplication::applicationPid());
    const QStringList log = LogTexts(flash.out(), port);
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [&](const QString &Line) { return Line.contains(busy); }),
              1)
        << log.join(u'\n').toStdString();
    EXPECT_TRUE(ResultEvent(flash.out(), port)[QStringLiteral("reason")].toString().contains(busy));
    EXPECT_TRUE(modems.at(0)->received().isEmpty());
}

// A script tells a port that is not there from a modem that does not answer by the exit status.
TEST(FlashNoAnswer, APortThatCannotBeOpenedHasAStatusOfItsOwn)
{
    const QString absent = QStringLiteral("/dev/quillon-test-no-such-port");
    FlashProcess flash(FlashArguments(QStringLiteral("velmora"), {absent})
                       << QStringLiteral("--json") << QStringLiteral("--no-wait"));
    ASSERT_EQ(flash.finish(), FlashExit::PortNotOpened) << flash.err().toStdString();
    EXPECT_TRUE(ResultEvent(flash.out(), absent)[QStringLiteral("reason")].toString().startsWith(
        QStringLiteral("порт не открылся")));
    const QList<QJsonObject> summary = JsonEvents(flash.out(), {}, QStringLiteral("summary"));
    ASSERT_EQ(summary.size(), 1);
    EXPECT_EQ(summary.first()[QStringLiteral("exit_code")].toInt(), FlashExit::PortNotOpened);
}

TEST(FlashNoAnswer, NoWaitGivesUpAfterTheFirstProbes)
{
    const auto modems = switchedOffModems();
    const QString port = modems.at(0)->devicePath();
    FlashProcess flash(FlashArguments(QStringLiteral("velmora"), {port})
                       << QStringLiteral("--json") << QStringLiteral("--no-wait"));
    ASSERT_EQ(flash.finish(), FlashExit::NoModemAnswered);
    const int nominalWaitMs = 15000 / FlashProcess::SpeedUp;
    EXPECT_LT(ResultEvent(flash.out(), port)[QStringLiteral("elapsed_ms")].toInt(), nominalWaitMs);
    EXPECT_GE(modems.at(0)->commands().size(), 1U);
}

bool everyPortInPhase(const QByteArray &Out, const QStringList &Ports, const QString &Phase)
{
    for (const QString &port : Ports) {
        const QList<QJsonObject> moves = JsonEvents(Out, port, QStringLiteral("progress"));
        if (std::none_of(moves.begin(), moves.end(), [&](const QJsonObject &move) {
                return move[QStringLiteral("phase")].toString() == Phase;
            }))
            return false;
    }
    return true;
}

TEST(FlashInterrupt, CtrlCStopsEveryRunClosesThePortsAndEndsWithStatus130)
{
    modemsim::Faults slow;
    slow.answerDelay = 300ms; // keeps the runs busy while the test interrupts them
    const auto modems = scriptModems({slow, slow});
    const QStringList ports = portsOf(modems);
    FlashProcess flash(FlashArguments(QStringLiteral("velmora"), ports)
                       << QStringLiteral("--json"));
    ASSERT_TRUE(flash.waitForOutput([&](const QByteArray &Out) {
        return everyPortInPhase(Out, ports, QStringLiteral("writing"));
    }));
    flash.interrupt();
    ASSERT_EQ(flash.finish(), FlashExit::Interrupted) << flash.err().toStdString();

    for (const QString &port : ports) {
        EXPECT_EQ(outcomeOf(flash.out(), port), QStringLiteral("interrupted"));
        EXPECT_TRUE(portClosed(flash.out(), port));
        EXPECT_EQ(LogTexts(flash.out(), port).back(), RunFailedText());
    }
    const QList<QJsonObject> summary = JsonEvents(flash.out(), {}, QStringLiteral("summary"));
    ASSERT_EQ(summary.size(), 1);
    EXPECT_EQ(summary.first()[QStringLiteral("interrupted")].toInt(), 2);
}

TEST(FlashInterrupt, CtrlCDuringThePowerOnWaitEndsAtOnce)
{
    const auto modems = switchedOffModems();
    const QString port = modems.at(0)->devicePath();
    FlashProcess flash(FlashArguments(QStringLiteral("velmora"), {port})
                       << QStringLiteral("--json"));
    ASSERT_TRUE(flash.waitForOutput([&](const QByteArray &Out) {
        return everyPortInPhase(Out, {port}, QStringLiteral("waiting-for-answer"));
    }));
    flash.interrupt();
    ASSERT_EQ(flash.finish(), FlashExit::Interrupted);
    EXPECT_TRUE(portClosed(flash.out(), port));
    EXPECT_FALSE(LogTexts(flash.out(), port).contains(QStringLiteral("Отклик модема получен")));
}

// The interrupt meets the run in a wait the modem never answers: that wait ends, nothing more is
// sent, and the program ends without sitting out the wait.
TEST(FlashInterrupt, CtrlCEndsTheWaitItMeetsAndSendsNothingMore)
{
    modemsim::Faults silent;
    silent.silentCommands = {"AT#DSCRIPT="};
    const auto modems = scriptModems({silent});
    const QString port = modems.at(0)->devicePath();
    FlashProcess flash(FlashArguments(QStringLiteral("velmora"), {port})
                       << QStringLiteral("--json"));
    ASSERT_TRUE(flash.waitForOutput([&](const QByteArray &Out) {
        return LogTexts(Out, port).contains(QStringLiteral("Удаление старого файла main.py ..."));
    }));
    // The pause before the command is over when the modem has the command it never answers.
    ASSERT_TRUE(waitUntil([&] {
        const std::vector<QByteArray> sent = modems.at(0)->commands();
        return !sent.empty() && sent.back().startsWith("AT#DSCRIPT=");
    }));
    flash.interrupt();
    ASSERT_EQ(flash.finish(), FlashExit::Interrupted) << flash.err().toStdString();
    const std::vector<QByteArray> commands = modems.at(0)->commands();
    EXPECT_TRUE(commands.back().startsWith("AT#DSCRIPT=")) << commands.back().toStdString();
    EXPECT_TRUE(portClosed(flash.out(), port));
}

// A modem unplugged mid-transfer: the run fails at once and the summary says why.
TEST(FlashLostDevice, UnpluggedModemIsNamedInTheLogAndTheSummary)
{
    modemsim::Faults vanishing;
    vanishing.vanishAfterBytes = 120;
    const auto modems = scriptModems({vanishing});
    const QString port = modems.at(0)->devicePath();
    FlashProcess flash(FlashArguments(QStringLiteral("velmora"), {port})
                       << QStringLiteral("--json"));
    ASSERT_EQ(flash.finish(), FlashExit::SomeFailed) << flash.err().toStdString();
    const QString lost = DeviceLostText(port);
    EXPECT_EQ(LogTexts(flash.out(), port).count(lost), 1);
    EXPECT_EQ(ResultEvent(flash.out(), port)[QStringLiteral("reason")].toString(), lost);
    EXPECT_EQ(ResultEvent(flash.out(), port)[QStringLiteral("reason_code")].toString(),
              QStringLiteral("device-lost"));
    EXPECT_TRUE(portClosed(flash.out(), port));
}

// A modem whose checksums never match is tried again for ever by default; a production line
// bounds that, and the summary says how many attempts were made.
TEST(FlashAttempts, BoundGivesTheFileUpAfterThatManyAttempts)
{
    modemsim::Faults neverVerifies;
    neverVerifies.wrongCrcWrites = 1000;
    const auto modems = scriptModems({neverVerifies});
    const QString port = modems.at(0)->devicePath();
    FlashProcess flash(FlashArguments(QStringLiteral("velmora"), {port})
                       << QStringLiteral("--json") << QStringLiteral("--max-attempts")
                       << QStringLiteral("2"));
    ASSERT_EQ(flash.finish(), FlashExit::SomeFailed) << flash.err().toStdString();
    const QString gaveUp = QStringLiteral("Файл main.py не записан: сделано попыток: 2.");
    // The reason goes on with the files done out of all.
    EXPECT_TRUE(
        ResultEvent(flash.out(), port)[QStringLiteral("reason")].toString().startsWith(gaveUp));
    EXPECT_EQ(ResultEvent(flash.out(), port)[QStringLiteral("reason_code")].toString(),
              QStringLiteral("write-failed"));
    const std::vector<QByteArray> commands = modems.at(0)->commands();
    EXPECT_EQ(std::count_if(commands.begin(), commands.end(),
                            [](const QByteArray &command) {
                                return command.startsWith("AT#WSCRIPT=\"main.py\"");
                            }),
              2);

    // Taken for "no bound", the run would try this modem for ever.
    FlashProcess zero(FlashArguments(QStringLiteral("velmora"), {port})
                      << QStringLiteral("--max-attempts") << QStringLiteral("0"));
    EXPECT_EQ(zero.finish(10s), FlashExit::BadInvocation);
    EXPECT_TRUE(zero.err().contains("--max-attempts")) << zero.err().toStdString();
}

TEST(FlashInvocation, WhatCannotRunEndsWithStatusTwoBeforeAnyPortIsTouched)
{
    const QStringList port{QStringLiteral("/dev/quillon-test-no-such-port")};
    FlashProcess unknownType(FlashArguments(QStringLiteral("velmora_prof"), port));
    EXPECT_EQ(unknownType.finish(), FlashExit::BadInvocation);
    EXPECT_TRUE(unknownType.err().contains("Unknown modem type velmora_prof"));
    EXPECT_TRUE(unknownType.out().isEmpty());

    FlashProcess noData({QStringLiteral("--type"), QStringLiteral("velmora"),
                         QStringLiteral("--data"), QStringLiteral("/nonexistent/quillon"),
                         QStringLiteral("--port"), port.first()});
    EXPECT_EQ(noData.finish(), FlashExit::BadInvocation);
    EXPECT_TRUE(noData.err().contains("Cannot read the catalogue"));

    FlashProcess noPort({QStringLiteral("--type"), QStringLiteral("velmora")});
    EXPECT_EQ(noPort.finish(), FlashExit::BadInvocation);

    // A collector that reads JSON gets the refusal there as well, as one object.
    for (const QStringList &arguments :
         {FlashArguments(QStringLiteral("velmora_prof"), port) << QStringLiteral("--json"),
          QStringList{QStringLiteral("--json"), QStringLiteral("--type"), QStringLiteral("velmora"),
                      QStringLiteral("--speed")}}) {
        FlashProcess refused(arguments);
        EXPECT_EQ(refused.finish(), FlashExit::BadInvocation);
        const QList<QJsonObject> events = JsonEvents(refused.out());
        ASSERT_EQ(events.size(), 1) << refused.out().toStdString();
        EXPECT_EQ(events.at(0)[QStringLiteral("event")].toString(), QStringLiteral("error"));
        EXPECT_EQ(events.at(0)[QStringLiteral("exit_code")].toInt(), FlashExit::BadInvocation);
        EXPECT_FALSE(events.at(0)[QStringLiteral("reason")].toString().isEmpty());
        EXPECT_FALSE(refused.err().isEmpty());
    }
}

// Sets the lock folder of the runs a test starts, and of the test itself, to a folder of its own.
class OwnLockFolder
{
public:
    OwnLockFolder() { qputenv("QUILLON_LOCK_DIR", QFile::encodeName(folder.path())); }
    ~OwnLockFolder()
    {
        previous.isNull() ? qunsetenv("QUILLON_LOCK_DIR") : qputenv("QUILLON_LOCK_DIR", previous);
    }
    QString lockOf(const QString &Device) const
    {
        return folder.filePath(QStringLiteral("LCK..") + Device.mid(5).replace(u'/', u'_'));
    }

private:
    const QByteArray previous = qgetenv("QUILLON_LOCK_DIR");
    QTemporaryDir folder;
};

// A modem on a stable name, a link to its device: the profile names it, so no --port is needed,
// the run goes through it, and the result gives the name and the device.
TEST(FlashStableNames, ThePortTheProfileNamesByALinkIsProgrammed)
{
    const OwnLockFolder locks;
    ModemSimulator modem(modemOf(Family::Script));
    QTemporaryDir data;
    const QString link = data.filePath(QStringLiteral("usb-Maker_Adapter_A1-if00-port0"));
    ASSERT_TRUE(QFile::link(modem.devicePath(), link));
    const auto write = [&](const QString &Name, const QByteArray &Bytes) {
        QDir().mkpath(QFileInfo(data.filePath(Name)).path());
        QFile file(data.filePath(Name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(Bytes);
    };
    write(QStringLiteral("Quillon_dir.ini"), "Velmora:velmora\r\n");
    write(QStringLiteral("velmora/compiled/main.py"),
          fileBytes(QStringLiteral("velmora/compiled/main.py")));
    write(QStringLiteral("velmora/upload.ini"), "portname=" + QFile::encodeName(link) + "\r\n");

    FlashProcess flash({QStringLiteral("--type"), QStringLiteral("velmora"),
                        QStringLiteral("--data"), data.path(), QStringLiteral("--json")});
    ASSERT_EQ(flash.finish(), FlashExit::AllProgrammed) << flash.err().toStdString();
    const QJsonObject result = ResultEvent(flash.out(), link);
    EXPECT_EQ(result[QStringLiteral("result")].toString(), QStringLiteral("programmed"));
    EXPECT_EQ(result[QStringLiteral("device")].toString(), modem.devicePath());
    EXPECT_EQ(modem.storedFiles().size(), 1U);
}

// The program that holds the device by its lock file keeps every run off it, whatever link names
// it, and is named with its file; not a byte reaches the modem.
TEST(FlashStableNames, ALiveLockOnTheDeviceKeepsARunByALinkOff)
{
    const OwnLockFolder locks;
    const auto modems = scriptModems({{}});
    const QString device = modems.at(0)->devicePath();
    QTemporaryDir links;
    const QString link = links.filePath(QStringLiteral("modem"));
    ASSERT_TRUE(QFile::link(device, link));
    QProcess owner;
    owner.start(QStringLiteral("sleep"), {QStringLiteral("60")});
    ASSERT_TRUE(owner.waitForStarted());
    const qint64 ownerPid = owner.processId();
    QFile lock(locks.lockOf(device));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write(QByteArray::number(ownerPid).rightJustified(10) + '\n');
    lock.close();

    FlashProcess flash(FlashArguments(QStringLiteral("velmora"), {link})
                       << QStringLiteral("--json") << QStringLiteral("--no-wait"));
    EXPECT_EQ(flash.finish(), FlashExit::PortNotOpened) << flash.err().toStdString();
    owner.kill();
    owner.waitForFinished();
    EXPECT_TRUE(ResultEvent(flash.out(), link)[QStringLiteral("reason")].toString().contains(
        QStringLiteral("занят программой sleep (процесс %1): файл блокировки %2")
            .arg(ownerPid)
            .arg(locks.lockOf(device))));
    EXPECT_TRUE(modems.at(0)->received().isEmpty());
}

// A Java modem stuck inside its download of the second file (it takes no more bytes, as a line
// that flow control holds): the run is stopped there.
class JavaDownloadInterrupted : public ::testing::Test
{
protected:
    void SetUp() override
    {
        modemsim::Options options = modemOf(Family::Java);
        options.faults.stallAfterBytes = 1000; // the second file has 3,000 bytes
        modem = std::make_unique<ModemSimulator>(options);
        port = modem->devicePath();
        flash = std::make_unique<FlashProcess>(
            FlashArguments(QStringLiteral("tu41"), {port})
                << QStringLiteral("--json") << QStringLiteral("--record")
                << scratch.filePath(QStringLiteral("runs.jsonl")),
            speedUp);
        ASSERT_TRUE(flash->waitForOutput([&](const QByteArray &Out) {
            const QList<QJsonObject> all = moves(Out);
            return std::any_of(all.begin(), all.end(), [](const QJsonObject &Move) {
                return Move[QStringLiteral("transfer_file")].toString() == u"ehsx.jar" &&
                       Move[QStringLiteral("transfer_sent")].toInt() > 0;
            });
        })) << flash->out().toStdString();
        flash->interrupt();
    }

    QList<QJsonObject> moves(const QByteArray &Out) const
    {
        return JsonEvents(Out, port, QStringLiteral("progress"));
    }
    bool sawStopping(const QByteArray &Out) const
    {
        return LogTexts(Out, port).contains(StoppingWithClosingCommandsText());
    }
    QString records() const
    {
        QFile file(scratch.filePath(QStringLiteral("runs.jsonl")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    int speedUp = FlashProcess::SpeedUp;
    const OwnLockFolder locks;
    QTemporaryDir scratch;
    std::unique_ptr<ModemSimulator> modem;
    QString port;
    std::unique_ptr<FlashProcess> flash;
};

const QString StartLoaderLine = QStringLiteral("AT^SJAM=0,\"a:/ehsx_loader.jad\",\"\" >> ");

// The live line and the log say at once that the run is stopping and what it still waits for:
// the closing commands, which go out as ever (here into the download, where they get no answer).
TEST_F(JavaDownloadInterrupted, SaysItIsStoppingAndWhatForBeforeTheClosingCommands)
{
    ASSERT_EQ(flash->finish(), FlashExit::Interrupted) << flash->err().toStdString();
    const QStringList log = LogTexts(flash->out(), port);
    const auto stopping = log.indexOf(StoppingWithClosingCommandsText());
    ASSERT_GE(stopping, 0) << log.join(u'\n').toStdString();
    const auto closing = std::find_if(log.begin(), log.end(), [](const QString &Line) {
        return Line.startsWith(StartLoaderLine);
    });
    ASSERT_NE(closing, log.end()) << "the closing commands were not sent";
    EXPECT_LT(stopping, closing - log.begin());
    const QList<QJsonObject> all = moves(flash->out());
    EXPECT_TRUE(std::any_of(all.begin(), all.end(), [](const QJsonObject &Move) {
        return Move[QStringLiteral("phase")].toString() == u"stopping";
    }));
    EXPECT_EQ(ResultEvent(flash->out(), port)[QStringLiteral("result")].toString(), u"interrupted");
}

// Time sped up only twice: the two closing commands the modem does not answer would take 5.3 s.
class JavaDownloadInterruptedTwice : public JavaDownloadInterrupted
{
protected:
    JavaDownloadInterruptedTwice() { speedUp = 2; }
};

// A second Ctrl-C gives the closing commands up, and still the run is recorded and reported as
// interrupted and its port's lock is gone.
TEST_F(JavaDownloadInterruptedTwice, EndsAtOnceRecordedReportedAndUnlocked)
{
    ASSERT_TRUE(flash->waitForOutput([&](const QByteArray &Out) { return sawStopping(Out); }))
        << flash->out().toStdString();
    flash->interrupt();
    ASSERT_EQ(flash->finish(2s), FlashExit::Interrupted)
        << "not ended soon after the second Ctrl-C: " << flash->err().toStdString();

    const QJsonObject result = ResultEvent(flash->out(), port);
    EXPECT_EQ(result[QStringLiteral("result")].toString(), u"interrupted");
    EXPECT_TRUE(result[QStringLiteral("port_closed")].toBool());
    EXPECT_TRUE(records().contains(QStringLiteral("\"result\":\"interrupted\"")))
        << records().toStdString();
    EXPECT_FALSE(QFileInfo::exists(locks.lockOf(port)));
    EXPECT_EQ(JsonEvents(flash->out(), {}, QStringLiteral("summary")).size(), 1);
}

} // namespace
