// The station window driven as a technician drives it: the set-up chosen with keyboard and mouse,
// Start, then simulated modems put on and taken off four ports while the tiles, the shift, the
// records and the run logs are read.
#include "app/StationWindow.h"
#include "app/MessageBoxes.h"
#include "app/PortLogDialog.h"
#include "app/PortTile.h"
#include "app/ShiftChart.h"
#include "atlink/Timing.h"
#include "engine/PortBoard.h"
#include "language/Language.h"
#include "tests/common/TestSupport.h"
#include "tools/modemsim/ModemSimulator.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

using modemsim::Family;
using modemsim::ModemSimulator;

namespace {

using Store = std::map<QByteArray, QByteArray>;

// What a tile shows, as read: the breaks a long path may wrap at are no text.
QString shown(const QLabel *Label)
{
    return Label->text().remove(QChar(0x200B));
}

QString fileText(const QString &Path)
{
    QFile file(Path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The shift's table as it reads: rows, and a cell's text.
int rowsShown(const StationWindow &Window)
{
    return Window.tblRuns->model()->rowCount();
}
QString cellShown(const StationWindow &Window, int Row, int Column)
{
    return Window.tblRuns->model()->index(Row, Column).data().toString();
}

// A log file as a log window shows it: the modem's line ends are line ends.
QString fileShown(const QString &Path)
{
    return fileText(Path).remove(u'\r');
}

// Counts the events of one type an object receives.
class EventSpy : public QObject
{
public:
    EventSpy(QObject &Watched, QEvent::Type Type, std::function<void()> Seen)
        : type(Type), seen(std::move(Seen))
    {
        Watched.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *Event) override
    {
        if (Event->type() == type)
            seen();
        return false;
    }

private:
    const QEvent::Type type;
    const std::function<void()> seen;
};

class StationWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        qputenv("QUILLON_PORTS_DIR", folder.filePath(QStringLiteral("ports")).toUtf8());
        MessageBoxes::setAnswerer([this](const MessageBoxes::Box &Box) { boxes.append(Box.text); });
    }
    void TearDown() override
    {
        MessageBoxes::setAnswerer({});
        MessageBoxes::setQuestionAnswerer({});
        qunsetenv("QUILLON_PORTS_DIR");
    }

    StationWindowSetup setup() const
    {
        return {QStringLiteral(QUILLON_DEMO_DATA "/"),
                folder.filePath(QStringLiteral("QuillonStation.ini")), records()};
    }
    QString records() const { return folder.filePath(QStringLiteral("records/runs.jsonl")); }
    QString logs() const { return folder.filePath(QStringLiteral("records/logs")); }
    QString link(const QString &Name) const { return folder.filePath(Name); }

    // The user's choice on the set-up page: the type from its list, each port typed in and added,
    // then Start.
    static void chooseAndStart(StationWindow &Window, const QString &Type, const QStringList &Ports)
    {
        Window.tabs->setCurrentIndex(2);
        const int type = Window.cbxType->findData(Type);
        ASSERT_GE(type, 0);
        Window.cbxType->setCurrentIndex(type);
        for (int row = 0; row < Window.lstPorts->count(); ++row)
            Window.lstPorts->item(row)->setCheckState(Qt::Unchecked);
        for (const QString &port : Ports) {
            Window.edtPort->setFocus();
            QTest::keyClicks(Window.edtPort, port);
            QTest::keyClick(Window.edtPort, Qt::Key_Return);
        }
        QTest::mouseClick(Window.btnStart, Qt::LeftButton);
    }

    static bool tileSays(const StationWindow &Window, int Port, const QString &Word)
    {
        return waitUntil([&] { return shown(Window.tiles.at(Port)->lblState) == Word; });
    }

    QTemporaryDir folder;
    QStringList boxes;
};

// Four ports with modems that are swapped by hand: a failing modem stays red with its reason until
// it is taken off; a modem put back after its success is left alone; a modem that tells no IMEI is
// programmed all the same; every run is recorded with its log, and the shift counts them.
TEST_F(StationWindowTest, FourPortsTellGoodFromFailedUntilEachModemIsTakenOff)
{
    const Timing::ScopedSpeedUp faster(10);
    modemsim::Options options;
    options.family = Family::Java;
    std::vector<std::unique_ptr<ModemSimulator>> modems;
    QStringList ports;
    const QList<QByteArray> imeis{"111111111111111", "222222222222222", "", "444444444444444"};
    for (int port = 0; port < 4; ++port) {
        options.imei = imeis.at(port);
        options.linkPath = link(QStringLiteral("modem%1").arg(port));
        options.faults.jdlTimeout = port == 1;
        modems.push_back(std::make_unique<ModemSimulator>(options));
        ports.append(options.linkPath);
    }
    StationWindow window(setup());
    chooseAndStart(window, QStringLiteral("tu41"), ports);
    ASSERT_TRUE(window.running()) << shown(window.lblProblem).toStdString();
    EXPECT_EQ(window.tabs->currentIndex(), 0);
    EXPECT_EQ(window.windowTitle(),
              QStringLiteral("Quillon — станция: Модем Tu41 (приложение Java)"));
    ASSERT_EQ(window.tiles.size(), 4);

    for (const int port : {0, 2, 3})
        ASSERT_TRUE(tileSays(window, port, QStringLiteral("ГОТОВО"))) << port;
    ASSERT_TRUE(tileSays(window, 1, QStringLiteral("ОШИБКА")));
    const QList<QJsonObject> first = recordsIn(records());
    ASSERT_EQ(first.size(), 4);
    const QString reason =
        recordsOf(first, ports.at(1)).first()[QStringLiteral("reason")].toString();
    ASSERT_FALSE(reason.isEmpty());
    const PortTile &failed = *window.tiles.at(1);
    EXPECT_EQ(shown(failed.lblDetail), QStringLiteral("Снимите модем. Причина: ") + reason);
    EXPECT_EQ(failed.palette().color(QPalette::Window), QColor(255, 120, 120));
    EXPECT_EQ(shown(failed.lblCounts), QStringLiteral("Запрограммировано: 0, ошибок: 1"));
    EXPECT_EQ(shown(window.tiles.at(0)->lblDetail), QStringLiteral("Снимите модем."));
    EXPECT_EQ(shown(window.tiles.at(0)->lblImei), QStringLiteral("IMEI: 111111111111111"));
    EXPECT_EQ(shown(window.tiles.at(2)->lblImei), QStringLiteral("IMEI: модем его не сообщил"));
    EXPECT_EQ(shown(window.tiles.at(0)->lblPort),
              ports.at(0) + QStringLiteral(" (") + modems.at(0)->devicePath() + u')');

    // Good and failed stay while the modems are on, however long.
    pumpFor(Timing::scaled(std::chrono::milliseconds(4000)));
    EXPECT_EQ(shown(failed.lblState), QStringLiteral("ОШИБКА"));
    EXPECT_EQ(shown(window.tiles.at(3)->lblState), QStringLiteral("ГОТОВО"));
    EXPECT_EQ(window.lblShift->text(),
              QStringLiteral("Смена: запрограммировано 3, ошибок 1, выход 75 %, модемов в час ") +
                  window.lblShift->text().section(u' ', -1));

    // The failed one taken off and the next put on; the first modem put back; the last swapped.
    modems.at(1)->takeModemOff(true);
    ASSERT_TRUE(tileSays(window, 1, QStringLiteral("ОЖИДАНИЕ")));
    EXPECT_EQ(shown(failed.lblDetail), QStringLiteral("Поставьте модем."));
    modems.at(1)->putModemOn("555555555555555");
    modems.at(0)->takeModemOff(true);
    ASSERT_TRUE(tileSays(window, 0, QStringLiteral("ОЖИДАНИЕ")));
    modems.at(0)->putModemOn("111111111111111");
    modems.at(3)->takeModemOff(true);
    ASSERT_TRUE(tileSays(window, 3, QStringLiteral("ОЖИДАНИЕ")));
    modems.at(3)->putModemOn("666666666666666");

    ASSERT_TRUE(tileSays(window, 0, QStringLiteral("УЖЕ ЗАПРОГРАММИРОВАН")));
    ASSERT_TRUE(tileSays(window, 1, QStringLiteral("ГОТОВО")));
    ASSERT_TRUE(tileSays(window, 3, QStringLiteral("ГОТОВО")));
    EXPECT_EQ(shown(window.tiles.at(0)->lblDetail), QStringLiteral("Снимите модем."));
    EXPECT_TRUE(modems.at(0)->takeModemOff(true).empty()) << "programmed twice";
    EXPECT_EQ(shown(failed.lblCounts), QStringLiteral("Запрограммировано: 1, ошибок: 1"));
    EXPECT_EQ(shown(window.tiles.at(3)->lblCounts),
              QStringLiteral("Запрограммировано: 2, ошибок: 0"));
    EXPECT_EQ(shown(window.tiles.at(0)->lblCounts),
              QStringLiteral("Запрограммировано: 1, ошибок: 0"));
    ASSERT_TRUE(waitUntil([&] {
        return window.lblShift->text().startsWith(
            QStringLiteral("Смена: запрограммировано 5, ошибок 1, выход 83 %, модемов в час "));
    })) << window.lblShift->text().toStdString();

    // Six runs recorded, each naming its log beside the records.
    const QList<QJsonObject> all = recordsIn(records());
    ASSERT_EQ(all.size(), 6);
    for (const QJsonObject &record : all) {
        const QString log = record[QStringLiteral("log")].toString();
        EXPECT_EQ(QFileInfo(log).path(), logs());
        EXPECT_TRUE(fileText(log).contains(QStringLiteral("Выбран модем")) ||
                    fileText(log).contains(QStringLiteral("Ожидаю")))
            << log.toStdString();
    }
    EXPECT_EQ(QDir(logs()).entryList(QDir::Files).size(), 6);
    // The shift's table: every run, newest first; filtered by result and by IMEI.
    window.tabs->setCurrentIndex(1);
    ASSERT_EQ(rowsShown(window), 6);
    window.cbxResult->setCurrentIndex(window.cbxResult->findText(QStringLiteral("ОШИБКА")));
    ASSERT_EQ(rowsShown(window), 1);
    EXPECT_EQ(cellShown(window, 0, 1), ports.at(1));
    EXPECT_EQ(cellShown(window, 0, 2), QStringLiteral("222222222222222"));
    EXPECT_EQ(cellShown(window, 0, 4), reason);
    window.cbxResult->setCurrentIndex(0);
    QTest::keyClicks(window.edtImei, QStringLiteral("6666"));
    ASSERT_EQ(rowsShown(window), 1);
    EXPECT_EQ(cellShown(window, 0, 3), QStringLiteral("запрограммирован"));
    int chartedGood = 0;
    int chartedBad = 0;
    for (const ShiftSlice &slice : window.chart->slices()) {
        chartedGood += slice.programmed;
        chartedBad += slice.failed;
    }
    EXPECT_EQ(chartedGood, 5);
    EXPECT_EQ(chartedBad, 1);

    QTest::mouseClick(window.btnStop, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !window.running(); }));
    for (int port = 0; port < 4; ++port)
        EXPECT_EQ(shown(window.tiles.at(port)->lblState), QStringLiteral("ОСТАНОВЛЕН")) << port;
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join(u'\n').toStdString();
}

// A run of the shift's table opens its own log; a tile opens its port's: the run in progress
// first, then the port's last runs, each from its file. (The logs are windows of their own, which
// the thread-checked build leaves out.)
TEST_F(StationWindowTest, TableAndTileOpenTheLogsOfTheirRuns)
{
    const Timing::ScopedSpeedUp faster(10);
    modemsim::Options options;
    options.family = Family::Java;
    options.imei = "222222222222222";
    options.linkPath = link(QStringLiteral("modem"));
    options.faults.jdlTimeout = true;
    ModemSimulator modem(options);
    // A second port's run is in the shift too, and in none of the first port's logs.
    modemsim::Options second = options;
    second.imei = "999999999999999";
    second.linkPath = link(QStringLiteral("other"));
    second.faults.jdlTimeout = false;
    ModemSimulator other(second);
    StationWindow window(setup());
    chooseAndStart(window, QStringLiteral("tu41"), {options.linkPath, second.linkPath});
    ASSERT_TRUE(tileSays(window, 1, QStringLiteral("ГОТОВО")));
    ASSERT_TRUE(tileSays(window, 0, QStringLiteral("ОШИБКА")));
    modem.takeModemOff(true);
    ASSERT_TRUE(tileSays(window, 0, QStringLiteral("ОЖИДАНИЕ")));
    modem.putModemOn("555555555555555");
    ASSERT_TRUE(tileSays(window, 0, QStringLiteral("ГОТОВО")));
    const QList<QJsonObject> runs = recordsOf(recordsIn(records()), options.linkPath);
    ASSERT_EQ(runs.size(), 2);
    const QString failedLog = runs.first()[QStringLiteral("log")].toString();
    const QString goodLog = runs.last()[QStringLiteral("log")].toString();
    EXPECT_TRUE(fileText(failedLog).contains(QStringLiteral("IMEI модема: 222222222222222")));
    EXPECT_TRUE(fileText(failedLog).endsWith(
        QStringLiteral("Во время опереации произошел сбой. Повторите операцию с шага №1.\n")));
    EXPECT_TRUE(fileText(goodLog).contains(QStringLiteral("IMEI модема: 555555555555555")));
    EXPECT_TRUE(fileText(goodLog).endsWith(QStringLiteral("Операция успешно завершена\n")));

    window.tabs->setCurrentIndex(1);
    ASSERT_TRUE(waitUntil([&] { return rowsShown(window) == 3; }));
    window.cbxResult->setCurrentIndex(window.cbxResult->findText(QStringLiteral("ОШИБКА")));
    ASSERT_EQ(rowsShown(window), 1);
    window.tblRuns->setFocus();
    window.tblRuns->setCurrentIndex(window.tblRuns->model()->index(0, 0));
    QTest::keyClick(window.tblRuns, Qt::Key_Return);
    auto *runLog = window.findChild<PortLogDialog *>();
    ASSERT_NE(runLog, nullptr);
    EXPECT_EQ(runLog->mmoLog->toPlainText(), fileShown(failedLog));
    runLog->close();
    QApplication::processEvents();

    window.tabs->setCurrentIndex(0);
    QTest::mouseClick(window.tiles.at(0), Qt::LeftButton);
    auto *portLog = window.findChild<PortLogDialog *>();
    ASSERT_NE(portLog, nullptr);
    EXPECT_EQ(portLog->windowTitle(), QStringLiteral("Журнал порта ") + options.linkPath);
    EXPECT_EQ(portLog->lstRuns->count(), 3);
    EXPECT_EQ(portLog->mmoLog->toPlainText(), fileShown(goodLog).chopped(1));
    portLog->lstRuns->setCurrentRow(2);
    EXPECT_EQ(portLog->mmoLog->toPlainText(), fileShown(failedLog));
    window.stop();
    ASSERT_TRUE(waitUntil([&] { return !window.running(); }));
}

// "quillon --station" with a type and a port begins at once, with no click: the modem put on is
// programmed and recorded.
TEST_F(StationWindowTest, CommandLineWithATypeAndAPortBeginsAtOnce)
{
    modemsim::Options options;
    options.family = Family::Java;
    ModemSimulator modem(options);
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder.path());
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(QUILLON_EXE),
                  {QStringLiteral("--station"), QStringLiteral("--type"), QStringLiteral("tu41"),
                   QStringLiteral("--data"), QStringLiteral(QUILLON_DEMO_DATA),
                   QStringLiteral("--port"), modem.devicePath(), QStringLiteral("--record"),
                   records()});
    ASSERT_TRUE(program.waitForStarted());
    const bool recorded = waitUntil([&] { return recordsIn(records()).size() == 1; });
    program.kill();
    program.waitForFinished();
    ASSERT_TRUE(recorded) << program.readAllStandardError().toStdString();
    EXPECT_EQ(recordsIn(records()).first()[QStringLiteral("result")].toString(),
              QStringLiteral("programmed"));
    EXPECT_FALSE(modem.storedFiles().empty());
}

// Stop ends every port within a second, as a line needs. The checked builds run several times
// slower; a bound under the 4.7 s left of the pause still shows that the pause was cut short.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr std::chrono::milliseconds StopLimit = 4000ms;
#else
constexpr std::chrono::milliseconds StopLimit = 1000ms;
#endif

// Stop meets one port waiting for a modem whose device is missing and another in the 5 s pause of
// a script modem's run: both say they are stopping at once and end within a second; the run that
// was cut short is recorded as interrupted, with its log.
TEST_F(StationWindowTest, StopEndsEveryPortWithinASecondOfWhatItWaitsFor)
{
    modemsim::Options options;
    options.family = Family::Script;
    ModemSimulator modem(options);
    const QString absent = link(QStringLiteral("absent"));
    StationWindow window(setup());
    chooseAndStart(window, QStringLiteral("velmora"), {absent, modem.devicePath()});
    ASSERT_TRUE(window.running()) << shown(window.lblProblem).toStdString();
    // The modem has been told to restart: the run pauses 5 s for it.
    ASSERT_TRUE(waitUntil([&] {
        const std::vector<QByteArray> commands = modem.commands();
        return std::find(commands.begin(), commands.end(), "AT#ENHRST=1,0") != commands.end();
    }));
    pumpFor(300ms);

    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(window.btnStop, Qt::LeftButton);
    EXPECT_EQ(shown(window.tiles.at(0)->lblState), QStringLiteral("ОСТАНОВКА"));
    EXPECT_EQ(shown(window.tiles.at(1)->lblState), QStringLiteral("ОСТАНОВКА"));
    EXPECT_FALSE(window.btnStop->isEnabled());
    ASSERT_TRUE(waitUntil([&] { return !window.running(); }));
    EXPECT_LE(clock.elapsed(), StopLimit.count());
    EXPECT_EQ(shown(window.tiles.at(1)->lblState), QStringLiteral("ОСТАНОВЛЕН"));
    EXPECT_TRUE(window.btnStart->isEnabled());
    const QList<QJsonObject> all = recordsIn(records());
    ASSERT_EQ(all.size(), 1);
    EXPECT_EQ(all.first()[QStringLiteral("result")].toString(), QStringLiteral("interrupted"));
    EXPECT_EQ(QDir(logs()).entryList(QDir::Files).size(), 1);
}

// Closing the window while a modem is programmed asks first; no keeps the station going, yes
// stops every port and then closes.
TEST_F(StationWindowTest, ClosingWhileModemsAreProgrammedAsksFirst)
{
    modemsim::Options options;
    options.family = Family::Script;
    options.faults.answerDelay = 200ms; // keeps the run going while the window is closed
    ModemSimulator modem(options);
    QStringList questions;
    bool answer = false;
    MessageBoxes::setQuestionAnswerer([&](const MessageBoxes::Box &Box) {
        questions.append(Box.text);
        return answer;
    });
    StationWindow window(setup());
    chooseAndStart(window, QStringLiteral("velmora"), {modem.devicePath()});
    ASSERT_TRUE(waitUntil([&] { return window.programming(); }));

    // Every close the window is asked for, the one it makes itself once stopped included.
    int closeRequests = 0;
    EventSpy closes(window, QEvent::Close, [&] { ++closeRequests; });
    window.close();
    ASSERT_EQ(questions, QStringList{QStringLiteral(
                             "Идёт программирование модемов. Остановить станцию и закрыть окно?")});
    EXPECT_TRUE(window.running());

    answer = true;
    window.close();
    EXPECT_EQ(shown(window.tiles.at(0)->lblState), QStringLiteral("ОСТАНОВКА"));
    ASSERT_TRUE(waitUntil([&] { return closeRequests == 3; }));
    EXPECT_FALSE(window.running());
}

// The set-up is checked before any port is touched, says what is wrong, and is remembered once a
// shift begins.
TEST_F(StationWindowTest, SetUpIsCheckedBeforeAnyPortAndRememberedForTheNextShift)
{
    modemsim::Options options;
    options.family = Family::Java;
    ModemSimulator modem(options);
    {
        StationWindow window(setup());
        window.tabs->setCurrentIndex(2);
        QTest::mouseClick(window.btnStart, Qt::LeftButton);
        EXPECT_EQ(shown(window.lblProblem), QStringLiteral("Выберите тип модема."));
        window.cbxType->setCurrentIndex(window.cbxType->findData(QStringLiteral("tu41")));
        QTest::mouseClick(window.btnStart, Qt::LeftButton);
        EXPECT_EQ(shown(window.lblProblem), QStringLiteral("Отметьте хотя бы один порт."));
        // The device and a link to it are one port.
        const QString second = link(QStringLiteral("same"));
        ASSERT_TRUE(QFile::link(modem.devicePath(), second));
        chooseAndStart(window, QStringLiteral("tu41"), {modem.devicePath(), second});
        EXPECT_EQ(shown(window.lblProblem),
                  QStringLiteral("Порты %1 и %2 — одно устройство: отметьте один из них.")
                      .arg(modem.devicePath(), second));
        window.lstPorts->item(window.lstPorts->count() - 1)->setCheckState(Qt::Unchecked);
        window.edtRecordFile->setText(folder.path()); // a folder is no file to append to
        QTest::mouseClick(window.btnStart, Qt::LeftButton);
        EXPECT_TRUE(shown(window.lblProblem)
                        .startsWith(QStringLiteral("Файл записей не открывается, станция не "
                                                   "начнёт работу без учёта: ")));
        EXPECT_FALSE(window.running());
        EXPECT_TRUE(modem.received().isEmpty());

        window.edtRecordFile->setText(records());
        window.cbxWriteRate->setCurrentIndex(
            window.cbxWriteRate->findText(QStringLiteral("19200")));
        EXPECT_EQ(window.cbxLanguage->currentText(), QStringLiteral("Русский"));
        window.cbxLanguage->setCurrentIndex(
            window.cbxLanguage->findText(QStringLiteral("English")));
        QTest::mouseClick(window.btnStart, Qt::LeftButton);
        ASSERT_TRUE(window.running()) << shown(window.lblProblem).toStdString();
        EXPECT_FALSE(window.lblProblem->isVisible());
        EXPECT_FALSE(window.cbxType->isEnabled());
        window.stop();
        ASSERT_TRUE(waitUntil([&] { return !window.running(); }));
    }
    StationWindow again(setup());
    const StationSetup remembered = again.chosenSetup();
    EXPECT_EQ(remembered.type, QStringLiteral("tu41"));
    EXPECT_EQ(remembered.ports, QStringList{modem.devicePath()});
    EXPECT_EQ(remembered.writeRate, 19200U);
    EXPECT_EQ(remembered.recordFile, records());
    // The language takes effect at the next start; the choice is shown as kept.
    EXPECT_EQ(StoredLanguage(setup().settingsFile), QStringLiteral("en"));
    EXPECT_EQ(again.cbxLanguage->currentText(), QStringLiteral("English"));

    // What the command line names wins over what was remembered.
    StationSetup given;
    given.ports = {link(QStringLiteral("other"))};
    again.applySetup(given);
    EXPECT_EQ(again.chosenSetup().ports, given.ports);
    EXPECT_EQ(again.chosenSetup().type, QStringLiteral("tu41"));
}

} // namespace
