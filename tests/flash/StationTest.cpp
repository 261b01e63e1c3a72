#include "flash/ExitCodes.h"
#include "tests/common/TestSupport.h"
#include "tests/flash/FlashProcess.h"
#include "tools/modemsim/ModemSimulator.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <thread>

using namespace std::chrono_literals;
using modemsim::Family;
using modemsim::ModemSimulator;

namespace {

using Store = std::map<QByteArray, QByteArray>;

QByteArray testFile(const QString &Path)
{
    QFile file(QStringLiteral(QUILLON_TEST_DATA "/") + Path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString sha256(const QByteArray &Bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(Bytes, QCryptographicHash::Sha256).toHex());
}

QList<QJsonObject> recordsIn(const QString &Path)
{
    QFile file(Path);
    QList<QJsonObject> records;
    if (!file.open(QIODevice::ReadOnly))
        return records;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (!line.isEmpty())
            records.append(QJsonDocument::fromJson(line).object());
    }
    return records;
}

QList<QJsonObject> recordsOf(const QList<QJsonObject> &Records, const QString &Port)
{
    QList<QJsonObject> of;
    for (const QJsonObject &record : Records) {
        if (record[QStringLiteral("port")].toString() == Port)
            of.append(record);
    }
    return of;
}

// Every file the record names went whole into the modem whose store is given, and nothing else.
void expectRecordMatchesStore(const QJsonObject &Record, const Store &Stored)
{
    const QJsonArray files = Record[QStringLiteral("files")].toArray();
    ASSERT_EQ(static_cast<std::size_t>(files.size()), Stored.size());
    for (const QJsonValue &value : files) {
        const QJsonObject file = value.toObject();
        const QByteArray name = file[QStringLiteral("name")].toString().toUtf8();
        ASSERT_TRUE(Stored.contains(name)) << name.toStdString();
        EXPECT_EQ(file[QStringLiteral("sha256")].toString(), sha256(Stored.at(name)));
        EXPECT_EQ(file[QStringLiteral("bytes")].toInteger(), Stored.at(name).size());
    }
}

// The run's own record file, gone with the test (the ports lock in the test program's scratch
// folder).
class StationFolder : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    QString records() const { return folder.filePath(QStringLiteral("runs.jsonl")); }

    QTemporaryDir folder;
};

int countOf(const QByteArray &Out, const QString &Port, const QString &State)
{
    int count = 0;
    for (const QJsonObject &event : JsonEvents(Out, Port, QStringLiteral("station")))
        count += event[QStringLiteral("state")].toString() == State ? 1 : 0;
    return count;
}

using SingleRun = StationFolder;

// The record names the modem and, by content, each file it holds; the script modem's own CRC is
// the one it reported.
TEST_F(SingleRun, IdentifiedRunIsRecordedAsTheModemHoldsIt)
{
    modemsim::Options options;
    options.family = Family::Script;
    options.imei = "490154203237518";
    ModemSimulator modem(options);
    const QString port = modem.devicePath();
    FlashProcess flash(FlashArguments(QStringLiteral("velmora"), {port})
                       << QStringLiteral("--json") << QStringLiteral("--identify")
                       << QStringLiteral("--record") << records());
    ASSERT_EQ(flash.finish(), FlashExit::AllProgrammed) << flash.err().toStdString();

    const QList<QJsonObject> all = recordsIn(records());
    ASSERT_EQ(all.size(), 1);
    const QJsonObject &record = all.first();
    EXPECT_EQ(record[QStringLiteral("imei")].toString(), u"490154203237518");
    EXPECT_EQ(record[QStringLiteral("result")].toString(), u"programmed");
    EXPECT_EQ(record[QStringLiteral("family")].toString(), u"script");
    EXPECT_EQ(record[QStringLiteral("line_rate")].toInt(), 9600);
    expectRecordMatchesStore(record, modem.storedFiles());
    for (const QJsonValue &file : record[QStringLiteral("files")].toArray())
        EXPECT_EQ(file[QStringLiteral("crc")].toString().size(), 4);
    // Asked after the probe's answer, before the rate changes.
    const std::vector<QByteArray> commands = modem.commands();
    const auto asked = std::find(commands.begin(), commands.end(), "AT+CGSN");
    ASSERT_NE(asked, commands.end());
    EXPECT_EQ(*std::prev(asked), "ATE0");
    EXPECT_EQ(*std::next(asked), "AT+IPR=9600");
}

// --quiet keeps the AT log off the screen, --logs keeps it: one file per run, named so that a
// technician finds it by time, port and modem, and named by the run's record.
TEST_F(SingleRun, QuietRunKeepsItsLogInAFileItsRecordNames)
{
    modemsim::Options options;
    options.imei = "490154203237518";
    ModemSimulator modem(options);
    const QString port = modem.devicePath();
    const QString logs = folder.filePath(QStringLiteral("logs/line-1"));
    FlashProcess flash(FlashArguments(QStringLiteral("velmora"), {port})
                       << QStringLiteral("--identify") << QStringLiteral("--quiet")
                       << QStringLiteral("--record") << records() << QStringLiteral("--logs")
                       << logs);
    ASSERT_EQ(flash.finish(), FlashExit::AllProgrammed) << flash.err().toStdString();
    const QString out = QString::fromUtf8(flash.out());
    EXPECT_FALSE(out.contains(QStringLiteral("Выбран модем"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("Итог: запрограммировано модемов: 1 из 1")));

    const QList<QJsonObject> all = recordsIn(records());
    ASSERT_EQ(all.size(), 1);
    const QDateTime start =
        QDateTime::fromString(all.first()[QStringLiteral("start")].toString(), Qt::ISODateWithMs);
    const QString name = start.toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss")) + u'_' +
                         port.mid(5).replace(u'/', u'_') + QStringLiteral("_490154203237518.log");
    EXPECT_EQ(QDir(logs).entryList(QDir::Files), QStringList{name});
    EXPECT_EQ(all.first()[QStringLiteral("log")].toString(), QDir(logs).absoluteFilePath(name));
    QFile log(QDir(logs).filePath(name));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(log.readAll());
    EXPECT_TRUE(text.startsWith(QStringLiteral("Выбран модем \"Velmora script modem\"\n")))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("\nОперация успешно завершена\n")))
        << text.toStdString();
}

TEST_F(SingleRun, LogFolderThatCannotBeWrittenStopsBeforeAnyPortIsTouched)
{
    ModemSimulator modem({});
    QFile blocker(records());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where a folder should go
    FlashProcess flash(FlashArguments(QStringLiteral("velmora"), {modem.devicePath()})
                       << QStringLiteral("--logs") << records() + QStringLiteral("/logs"));
    EXPECT_EQ(flash.finish(), FlashExit::BadInvocation);
    EXPECT_TRUE(flash.err().contains("Cannot write run logs to")) << flash.err().toStdString();
    EXPECT_TRUE(modem.received().isEmpty());
}

// A modem that refuses the write rate is written at the rate the port keeps, and the record
// names that one, not the one asked for.
TEST_F(SingleRun, RefusedRateSwitchRecordsTheRateTheFilesWentAt)
{
    modemsim::Options options;
    options.family = Family::Script;
    options.faults.errorCommands = {{"AT+IPR=", "ERROR"}};
    ModemSimulator modem(options);
    FlashProcess flash(FlashArguments(QStringLiteral("velmora"), {modem.devicePath()})
                       << QStringLiteral("--record") << records());
    ASSERT_EQ(flash.finish(), FlashExit::AllProgrammed) << flash.err().toStdString();
    const QList<QJsonObject> all = recordsIn(records());
    ASSERT_EQ(all.size(), 1);
    EXPECT_EQ(all.first()[QStringLiteral("line_rate")].toInt(), 115200);
}

TEST_F(SingleRun, RecordFileThatCannotBeWrittenStopsBeforeAnyPortIsTouched)
{
    ModemSimulator modem({});
    FlashProcess flash(FlashArguments(QStringLiteral("velmora"), {modem.devicePath()})
                       << QStringLiteral("--record") << folder.path());
    EXPECT_EQ(flash.finish(), FlashExit::BadInvocation);
    EXPECT_TRUE(flash.err().contains(folder.path().toUtf8())) << flash.err().toStdString();
    EXPECT_TRUE(modem.received().isEmpty());
}

// A modem programmed but not accounted for is no success for a line that counts on its records.
TEST_F(SingleRun, ProgrammedModemWhoseRecordIsLostIsAFailure)
{
    ModemSimulator modem({});
    FlashProcess flash(FlashArguments(QStringLiteral("velmora"), {modem.devicePath()})
                       << QStringLiteral("--record") << QStringLiteral("/dev/full"));
    EXPECT_EQ(flash.finish(), FlashExit::SomeFailed);
    EXPECT_TRUE(flash.out().contains(QStringLiteral("ОШИБКА").toUtf8()))
        << flash.out().toStdString();
    EXPECT_TRUE(
        flash.out().contains(QStringLiteral("Запись о работе не сохранена в /dev/full").toUtf8()))
        << flash.out().toStdString();
}

using Station = StationFolder;

// Two ports, three modems each. The first port's modems are unplugged (their device goes), the
// second's are switched off (the device stays silent). A failing modem does not stop the port; a
// modem put back after its success is not programmed again; a modem without an IMEI is.
TEST_F(Station, ProgramsModemAfterModemAndRecordsEachAsItsStoreHoldsIt)
{
    modemsim::Options plugged;
    plugged.family = Family::Java;
    plugged.imei = "111111111111111";
    plugged.linkPath = folder.filePath(QStringLiteral("usb-modem"));
    modemsim::Options wired = plugged;
    wired.imei = "333333333333333";
    wired.linkPath.clear();
    ModemSimulator usb(plugged);
    ModemSimulator serial(wired);
    const QString usbPort = plugged.linkPath;
    const QString serialPort = serial.devicePath();

    FlashProcess flash(FlashArguments(QStringLiteral("tu41"), {usbPort, serialPort})
                       << QStringLiteral("--json") << QStringLiteral("--continuous")
                       << QStringLiteral("--record") << records() << QStringLiteral("--logs")
                       << folder.filePath(QStringLiteral("logs")));
    const auto reach = [&](const QString &Port, const QString &State, int Count) {
        return flash.waitForOutput(
            [&](const QByteArray &Out) { return countOf(Out, Port, State) >= Count; });
    };
    const QString takeOff = QStringLiteral("take-off");
    const QString waiting = QStringLiteral("waiting");
    modemsim::Faults refusing;
    refusing.errorCommands["AT^SJDL="] = "ERROR";

    ASSERT_TRUE(reach(usbPort, takeOff, 1)) << flash.out().toStdString();
    ASSERT_TRUE(reach(serialPort, takeOff, 1));
    const Store usbFirst = usb.takeModemOff(true);
    const Store serialFirst = serial.takeModemOff(false);
    ASSERT_TRUE(reach(usbPort, waiting, 2));
    ASSERT_TRUE(reach(serialPort, waiting, 2));

    usb.putModemOn("222222222222222", refusing);
    serial.putModemOn({});
    ASSERT_TRUE(reach(usbPort, takeOff, 2));
    ASSERT_TRUE(reach(serialPort, takeOff, 2));
    const Store usbFailed = usb.takeModemOff(true);
    const Store serialNoImei = serial.takeModemOff(false);
    ASSERT_TRUE(reach(usbPort, waiting, 3));
    ASSERT_TRUE(reach(serialPort, waiting, 3));

    usb.putModemOn("111111111111111"); // the first modem again
    serial.putModemOn({});             // the modem without an IMEI again
    ASSERT_TRUE(reach(usbPort, QStringLiteral("already-programmed"), 1));
    ASSERT_TRUE(reach(serialPort, takeOff, 3));
    const Store usbAgain = usb.takeModemOff(true);
    const Store serialAgain = serial.takeModemOff(false);
    ASSERT_TRUE(reach(usbPort, waiting, 4));
    ASSERT_TRUE(reach(serialPort, waiting, 4));

    // Both ports are in their wait for the next modem.
    flash.interrupt();
    ASSERT_EQ(flash.finish(20s), FlashExit::Interrupted) << flash.err().toStdString();

    EXPECT_TRUE(usbAgain.empty()) << "a modem programmed before was programmed again";
    const QList<QJsonObject> all = recordsIn(records());
    const QList<QJsonObject> usbRecords = recordsOf(all, usbPort);
    const QList<QJsonObject> serialRecords = recordsOf(all, serialPort);
    ASSERT_EQ(all.size(), 5);
    ASSERT_EQ(usbRecords.size(), 2);
    ASSERT_EQ(serialRecords.size(), 3);

    EXPECT_EQ(usbRecords.at(0)[QStringLiteral("imei")].toString(), u"111111111111111");
    EXPECT_EQ(usbRecords.at(0)[QStringLiteral("result")].toString(), u"programmed");
    expectRecordMatchesStore(usbRecords.at(0), usbFirst);
    EXPECT_EQ(usbFirst.at("ehsx.jar"), testFile(QStringLiteral("Tu41/compiled/ehsx.jar")));
    EXPECT_EQ(usbRecords.at(1)[QStringLiteral("imei")].toString(), u"222222222222222");
    EXPECT_EQ(usbRecords.at(1)[QStringLiteral("result")].toString(), u"failed");
    EXPECT_FALSE(usbRecords.at(1)[QStringLiteral("reason")].toString().isEmpty());
    EXPECT_TRUE(usbFailed.empty());
    // Each modem's log in a file of its own, the failed one's with its failure.
    QStringList logFiles;
    for (const QJsonObject &record : all)
        logFiles.append(record[QStringLiteral("log")].toString());
    logFiles.removeDuplicates();
    EXPECT_EQ(logFiles.size(), 5);
    QFile failedLog(usbRecords.at(1)[QStringLiteral("log")].toString());
    ASSERT_TRUE(failedLog.open(QIODevice::ReadOnly));
    const QString failedText = QString::fromUtf8(failedLog.readAll());
    EXPECT_TRUE(failedText.contains(QStringLiteral("222222222222222"))) << failedText.toStdString();
    EXPECT_TRUE(failedText.contains(QStringLiteral("AT^SJDL="))) << failedText.toStdString();
    EXPECT_TRUE(failedLog.fileName().endsWith(QStringLiteral("_222222222222222.log")));

    const Store *serialStores[] = {&serialFirst, &serialNoImei, &serialAgain};
    for (int index = 0; index < 3; ++index) {
        const QJsonObject &record = serialRecords.at(index);
        EXPECT_EQ(record[QStringLiteral("result")].toString(), u"programmed");
        EXPECT_EQ(record[QStringLiteral("device")].toString(), serialPort);
        expectRecordMatchesStore(record, *serialStores[index]);
    }
    EXPECT_EQ(serialRecords.at(0)[QStringLiteral("imei")].toString(), u"333333333333333");
    EXPECT_TRUE(serialRecords.at(1)[QStringLiteral("imei")].isNull());
    EXPECT_TRUE(serialRecords.at(2)[QStringLiteral("imei")].isNull());

    const QList<QJsonObject> summary = JsonEvents(flash.out(), {}, QStringLiteral("summary"));
    ASSERT_EQ(summary.size(), 1);
    EXPECT_EQ(summary.first()[QStringLiteral("programmed")].toInt(), 4);
    EXPECT_EQ(summary.first()[QStringLiteral("failed")].toInt(), 1);
    const QJsonArray ports = summary.first()[QStringLiteral("ports")].toArray();
    ASSERT_EQ(ports.size(), 2);
    EXPECT_EQ(ports.at(0)[QStringLiteral("last_failure")],
              usbRecords.at(1)[QStringLiteral("reason")]);
    // A script tells a good modem from a failed one as the operator does.
    QStringList takeOffStages;
    for (const QJsonObject &event : JsonEvents(flash.out(), usbPort, QStringLiteral("station")))
        if (event[QStringLiteral("state")].toString() != waiting)
            takeOffStages.append(event[QStringLiteral("stage")].toString());
    EXPECT_EQ(takeOffStages,
              (QStringList{QStringLiteral("programming"), QStringLiteral("good"),
                           QStringLiteral("programming"), QStringLiteral("failed"),
                           QStringLiteral("already-programmed"), QStringLiteral("stopped")}));
}

QList<QJsonObject> stationEvents(const QByteArray &Out, const QString &Port, const QString &State)
{
    QList<QJsonObject> events;
    for (const QJsonObject &event : JsonEvents(Out, Port, QStringLiteral("station"))) {
        if (event[QStringLiteral("state")].toString() == State)
            events.append(event);
    }
    return events;
}

modemsim::Options javaModem(const QByteArray &Imei)
{
    modemsim::Options options;
    options.family = Family::Java;
    options.imei = Imei;
    return options;
}

QStringList stationArguments(const QString &Port)
{
    return FlashArguments(QStringLiteral("tu41"), {Port})
           << QStringLiteral("--json") << QStringLiteral("--continuous");
}

// A modem that tells no IMEI and stays on the port after its run goes on answering the probe: it
// is still there, and it is not programmed again however long it stays.
TEST_F(Station, AModemLeftOnThePortIsProgrammedOnce)
{
    ModemSimulator modem(javaModem({}));
    const QString port = modem.devicePath();
    FlashProcess flash(stationArguments(port));
    ASSERT_TRUE(flash.waitForOutput([&](const QByteArray &Out) {
        return countOf(Out, port, QStringLiteral("take-off")) >= 1;
    })) << flash.out().toStdString();
    // Three times the silence (3 s, sped up) after which a modem counts as taken away.
    std::this_thread::sleep_for(3 * 3000ms / FlashProcess::SpeedUp);
    flash.interrupt();
    ASSERT_EQ(flash.finish(), FlashExit::Interrupted) << flash.err().toStdString();
    EXPECT_EQ(countOf(flash.out(), port, QStringLiteral("programming")), 1);
    EXPECT_EQ(countOf(flash.out(), port, QStringLiteral("waiting")), 1);
}

// Ctrl-C in the middle of a modem's run is the operator's doing, not the modem's failure: the
// record says interrupted, the summary counts no failure.
TEST_F(Station, CtrlCDuringARunIsNoFailure)
{
    modemsim::Options options = javaModem("490154203237518");
    options.faults.answerDelay = 300ms; // keeps the run busy while the test interrupts it
    ModemSimulator modem(options);
    const QString port = modem.devicePath();
    FlashProcess flash(stationArguments(port) << QStringLiteral("--record") << records());
    ASSERT_TRUE(flash.waitForOutput([&](const QByteArray &Out) {
        return countOf(Out, port, QStringLiteral("programming")) >= 1 &&
               LogTexts(Out, port).contains(QStringLiteral("Запись файла ehsx.jad (40 bytes)"));
    })) << flash.out().toStdString();
    flash.interrupt();
    ASSERT_EQ(flash.finish(), FlashExit::Interrupted) << flash.err().toStdString();

    const QList<QJsonObject> all = recordsIn(records());
    ASSERT_EQ(all.size(), 1);
    EXPECT_EQ(all.first()[QStringLiteral("result")].toString(), u"interrupted");
    const QList<QJsonObject> summary = JsonEvents(flash.out(), {}, QStringLiteral("summary"));
    ASSERT_EQ(summary.size(), 1);
    EXPECT_EQ(summary.first()[QStringLiteral("failed")].toInt(), 0);
    EXPECT_EQ(summary.first()[QStringLiteral("programmed")].toInt(), 0);
    const QJsonObject perPort = summary.first()[QStringLiteral("ports")].toArray().at(0).toObject();
    EXPECT_EQ(perPort[QStringLiteral("failed")].toInt(), 0);
    EXPECT_EQ(perPort[QStringLiteral("last_failure")].toString(), QString());
}

// The port's name (a by-id link) moves to the next modem while the first one is still on its own
// device and answering: the station notices the name leads elsewhere, programs the new modem, and
// every event names the device of the run it reports.
TEST_F(Station, ANameThatMovesToTheNextModemIsNoticed)
{
    ModemSimulator first(javaModem("111111111111111"));
    ModemSimulator second(javaModem("222222222222222"));
    const QString port = folder.filePath(QStringLiteral("usb-modem"));
    ASSERT_TRUE(QFile::link(first.devicePath(), port));
    FlashProcess flash(stationArguments(port));
    ASSERT_TRUE(flash.waitForOutput([&](const QByteArray &Out) {
        return countOf(Out, port, QStringLiteral("take-off")) >= 1;
    })) << flash.out().toStdString();

    const QString moved = port + QStringLiteral(".new");
    ASSERT_TRUE(QFile::link(second.devicePath(), moved));
    ASSERT_EQ(
        std::rename(QFile::encodeName(moved).constData(), QFile::encodeName(port).constData()), 0);
    ASSERT_TRUE(flash.waitForOutput(
        [&](const QByteArray &Out) { return countOf(Out, port, QStringLiteral("take-off")) >= 2; },
        15s))
        << "the modem the name now leads to was not noticed";
    flash.interrupt();
    ASSERT_EQ(flash.finish(), FlashExit::Interrupted) << flash.err().toStdString();

    const QList<QJsonObject> takeOffs =
        stationEvents(flash.out(), port, QStringLiteral("take-off"));
    ASSERT_EQ(takeOffs.size(), 2);
    EXPECT_EQ(takeOffs.at(0)[QStringLiteral("imei")].toString(), u"111111111111111");
    EXPECT_EQ(takeOffs.at(0)[QStringLiteral("device")].toString(), first.devicePath());
    EXPECT_EQ(takeOffs.at(1)[QStringLiteral("imei")].toString(), u"222222222222222");
    EXPECT_EQ(takeOffs.at(1)[QStringLiteral("device")].toString(), second.devicePath());
    EXPECT_EQ(takeOffs.at(1)[QStringLiteral("result")].toString(), u"programmed");
    EXPECT_EQ(second.storedFiles().size(), 2U);
}

// A record file that can no longer be written (a full disk) stops each port after its modem: the
// modems were programmed and may go, and the events and the summary count them and say why the
// ports stopped.
TEST_F(Station, ARecordThatCannotBeKeptStopsThePortsCountingWhatWasDone)
{
    ModemSimulator first(javaModem("111111111111111"));
    ModemSimulator second(javaModem("222222222222222"));
    const QStringList ports{first.devicePath(), second.devicePath()};
    FlashProcess flash(FlashArguments(QStringLiteral("tu41"), ports)
                       << QStringLiteral("--json") << QStringLiteral("--continuous")
                       << QStringLiteral("--record") << QStringLiteral("/dev/full"));
    ASSERT_EQ(flash.finish(), FlashExit::SomeFailed) << flash.err().toStdString();

    const QString lost = QStringLiteral("Запись о работе не сохранена в /dev/full");
    const QList<QJsonObject> summary = JsonEvents(flash.out(), {}, QStringLiteral("summary"));
    ASSERT_EQ(summary.size(), 1);
    EXPECT_EQ(summary.first()[QStringLiteral("programmed")].toInt(), 2);
    EXPECT_EQ(summary.first()[QStringLiteral("failed")].toInt(), 0);
    for (qsizetype index = 0; index < ports.size(); ++index) {
        const QString &port = ports.at(index);
        SCOPED_TRACE(port.toStdString());
        const QList<QJsonObject> takeOffs =
            stationEvents(flash.out(), port, QStringLiteral("take-off"));
        ASSERT_EQ(takeOffs.size(), 1);
        EXPECT_EQ(takeOffs.first()[QStringLiteral("result")].toString(), u"programmed");
        EXPECT_EQ(takeOffs.first()[QStringLiteral("programmed")].toInt(), 1);
        const QList<QJsonObject> stops =
            stationEvents(flash.out(), port, QStringLiteral("stopped"));
        ASSERT_EQ(stops.size(), 1);
        EXPECT_TRUE(stops.first()[QStringLiteral("stop_reason")].toString().startsWith(lost));
        const QJsonObject perPort =
            summary.first()[QStringLiteral("ports")].toArray().at(index).toObject();
        EXPECT_EQ(perPort[QStringLiteral("programmed")].toInt(), 1);
        EXPECT_TRUE(perPort[QStringLiteral("stop_reason")].toString().startsWith(lost))
            << perPort[QStringLiteral("stop_reason")].toString().toStdString();
    }
    EXPECT_EQ(first.storedFiles().size(), 2U);
    EXPECT_EQ(second.storedFiles().size(), 2U);
}

// The port's link is moved to the next modem right after the first one told its IMEI (a reused
// ttyUSBn, a by-id link): the reopen after the rate switch finds another device and the run
// fails under the first modem's IMEI, nothing more sent to it; the next modem gets a run and a
// record of its own.
TEST_F(Station, ModemThatTakesThePortsNameBeforeTheReopenIsNotWrittenAsTheFirst)
{
    const QString link = folder.filePath(QStringLiteral("usb-modem"));
    modemsim::Options second;
    second.family = Family::Script;
    second.imei = "222222222222222";
    ModemSimulator next(second);
    const QString nextDevice = next.devicePath();
    modemsim::Options first = second;
    first.imei = "111111111111111";
    first.linkPath = link;
    std::atomic<bool> moved{false};
    first.wireObserver = [&](const modemsim::WireRecord &Record) {
        if (Record.direction == modemsim::WireRecord::Sent && Record.bytes.contains(first.imei) &&
            !moved.exchange(true)) {
            QFile::remove(link);
            QFile::link(nextDevice, link);
        }
    };
    ModemSimulator modem(first);
    const QString firstDevice = modem.devicePath();

    FlashProcess flash(FlashArguments(QStringLiteral("velmora"), {link})
                       << QStringLiteral("--json") << QStringLiteral("--continuous")
                       << QStringLiteral("--record") << records());
    ASSERT_TRUE(flash.waitForOutput(
        [&](const QByteArray &Out) { return countOf(Out, link, QStringLiteral("take-off")) >= 2; },
        60s))
        << flash.out().toStdString();
    flash.interrupt();
    ASSERT_EQ(flash.finish(20s), FlashExit::Interrupted) << flash.err().toStdString();

    EXPECT_EQ(modem.commands().back(), "AT+IPR=9600");
    const QList<QJsonObject> all = recordsIn(records());
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all.at(0)[QStringLiteral("imei")].toString(), u"111111111111111");
    EXPECT_EQ(all.at(0)[QStringLiteral("device")].toString(), firstDevice);
    EXPECT_EQ(all.at(0)[QStringLiteral("result")].toString(), u"failed");
    EXPECT_TRUE(all.at(0)[QStringLiteral("reason")].toString().contains(
        QStringLiteral("ведёт теперь к другому устройству")))
        << all.at(0)[QStringLiteral("reason")].toString().toStdString();
    EXPECT_EQ(all.at(1)[QStringLiteral("imei")].toString(), u"222222222222222");
    EXPECT_EQ(all.at(1)[QStringLiteral("device")].toString(), nextDevice);
    EXPECT_EQ(all.at(1)[QStringLiteral("result")].toString(), u"programmed");
    expectRecordMatchesStore(all.at(1), next.storedFiles());
}

} // namespace
