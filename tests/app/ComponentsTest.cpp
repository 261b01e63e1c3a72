#include "app/DropDownComboBox.h"
#include "app/MessageBoxes.h"
#include "app/ProgressGauge.h"
#include "app/QuillonApplication.h"
#include "app/TfCOMProperty.h"
#include "atlink/HexText.h"
#include "procedures/PortDiagnosis.h"
#include "serial/TComm32.h"
#include "tools/modemsim/ModemSimulator.h"
#include "tools/modemsim/PtyPair.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(Gauge, PositionStaysWithinZeroAndMaximum)
{
    ProgressGauge gauge;
    gauge.setGaugeMaximum(15);
    gauge.setGaugePosition(20);
    EXPECT_EQ(gauge.gaugePosition(), 15);
    gauge.setGaugeMaximum(4); // below the position: the position follows
    EXPECT_EQ(gauge.gaugePosition(), 4);
    gauge.setGaugePosition(-3);
    EXPECT_EQ(gauge.gaugePosition(), 0);
    gauge.setGaugeMaximum(0); // an empty bar, not the busy animation
    EXPECT_EQ(gauge.gaugePosition(), 0);
    EXPECT_GT(gauge.maximum(), gauge.minimum());
}

// The dialog against a virtual port announced the way the modem simulator does it.
class PortDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ports.isValid());
        qputenv("QUILLON_PORTS_DIR", ports.path().toUtf8());
        link = ports.filePath(QStringLiteral("Velmora"));
        ASSERT_TRUE(QFile::link(simulator.devicePath(), link));
    }
    void TearDown() override { qunsetenv("QUILLON_PORTS_DIR"); }

    QTemporaryDir ports;
    modemsim::ModemSimulator simulator{modemsim::Options{}};
    QString link;
    TfCOMProperty dialog;
    TComm32 port;
};

TEST_F(PortDialog, ShowsThePortsPresentSettingsWhateverSetThem)
{
    port.SetCommPort(link.toUpper()); // as a profile writes it
    port.SetBaudRate(115200);
    port.SetByteSize(sz_7);
    port.SetParity(pMark);
    port.SetStopBits(sb1_5);
    port.SetFlowControl(fcSoftware);
    dialog.LoadFromComm(port);
    EXPECT_EQ(dialog.cbxPort_N->currentText(), link);
    EXPECT_EQ(dialog.cbxPort_N->maxVisibleItems(), dialog.cbxPort_N->count());
    EXPECT_EQ(dialog.cbxPort_Speed->currentText(), QStringLiteral("115200"));
    EXPECT_EQ(dialog.cbxPort_DataBits->currentText(), QStringLiteral("7"));
    EXPECT_EQ(dialog.cbxPort_Parity->currentText(), QStringLiteral("Маркер (1)"));
    EXPECT_EQ(dialog.cbxPort_StopBits->currentText(), QStringLiteral("1,5"));
    EXPECT_EQ(dialog.cbxPort_FlowControl->currentText(), QStringLiteral("Программное"));

    port.SetBaudRate(14400); // none of the nine
    port.SetCommPort(QString());
    dialog.LoadFromComm(port);
    EXPECT_EQ(dialog.cbxPort_Speed->currentIndex(), -1);
    EXPECT_EQ(dialog.cbxPort_N->currentIndex(), -1);
}

// The port a type's profile names, its adapter unplugged: the list keeps it, marked, so that the
// technician sees which port the type expects; accepting it waits for that port.
TEST_F(PortDialog, AnAbsentPortStaysInTheListMarkedAsNotConnected)
{
    port.SetCommPort(QStringLiteral("/dev/ttyQuillonAbsent7"));
    port.SetBaudRate(9600);
    dialog.LoadFromComm(port);
    EXPECT_EQ(dialog.cbxPort_N->currentText(), QStringLiteral("ttyQuillonAbsent7"));
    EXPECT_EQ(dialog.lblPortNote->text(), AbsentPortText(QStringLiteral("ttyQuillonAbsent7")));
    EXPECT_FALSE(dialog.lblPortNote->isHidden());
    // A port is chosen: the window tries it until the adapter is plugged in.
    EXPECT_TRUE(dialog.PortNote().isEmpty());
    // Still there, still chosen, after the list is read afresh.
    dialog.cbxPort_N->showPopup();
    dialog.cbxPort_N->hidePopup();
    EXPECT_EQ(dialog.cbxPort_N->currentText(), QStringLiteral("ttyQuillonAbsent7"));
    EXPECT_GE(dialog.cbxPort_N->findText(QStringLiteral("Velmora"), Qt::MatchEndsWith), 0);
    dialog.ApplyToComm(port);
    EXPECT_EQ(port.CommPort(), QStringLiteral("/dev/ttyQuillonAbsent7"));
}

// A profile that names its port by a link the list does not show (a stable name) keeps it: the
// link is offered as it stands and chosen, with the device it means as its hint.
TEST_F(PortDialog, ALinkTheListDoesNotShowIsChosenAsItStands)
{
    QTemporaryDir byId;
    const QString stable = byId.filePath(QStringLiteral("usb-Maker_Adapter_A1-if00-port0"));
    ASSERT_TRUE(QFile::link(simulator.devicePath(), stable));
    port.SetCommPort(stable.toUpper()); // as a profile writes it
    port.SetBaudRate(9600);
    dialog.LoadFromComm(port);
    EXPECT_EQ(dialog.cbxPort_N->currentText(), stable);
    EXPECT_EQ(dialog.cbxPort_N->currentData(Qt::ToolTipRole).toString(), simulator.devicePath());
    EXPECT_TRUE(dialog.PortNote().isEmpty());
    dialog.ApplyToComm(port);
    EXPECT_EQ(port.CommPort(), stable);
}

TEST_F(PortDialog, AcceptWritesTheListsBack)
{
    dialog.LoadFromComm(port);
    dialog.cbxPort_N->setCurrentIndex(dialog.cbxPort_N->findText(link));
    dialog.cbxPort_Speed->setCurrentIndex(8);
    dialog.cbxPort_DataBits->setCurrentIndex(2);
    dialog.cbxPort_Parity->setCurrentIndex(2);
    dialog.cbxPort_StopBits->setCurrentIndex(2);
    dialog.cbxPort_FlowControl->setCurrentIndex(1);
    dialog.ApplyToComm(port);
    EXPECT_EQ(port.CommPort(), link);
    EXPECT_EQ(port.BaudRate(), 115200u);
    EXPECT_EQ(port.ByteSize(), sz_6);
    EXPECT_EQ(port.Parity(), pEven);
    EXPECT_EQ(port.StopBits(), sb2_0);
    EXPECT_EQ(port.FlowControl(), fcHardware);
}

TEST_F(PortDialog, OpeningThePortListKeepsTheChoiceAndNoChoiceStaysNone)
{
    port.SetCommPort(link);
    dialog.LoadFromComm(port);
    ASSERT_GE(dialog.cbxPort_N->currentIndex(), 0);
    EXPECT_TRUE(dialog.PortNote().isEmpty());
    EXPECT_TRUE(dialog.lblPortNote->isHidden());
    // Opened and closed without choosing (Escape): the port the dialog opened with stays.
    dialog.cbxPort_N->showPopup();
    dialog.cbxPort_N->hidePopup();
    EXPECT_EQ(dialog.cbxPort_N->currentText(), link);
    EXPECT_TRUE(dialog.PortNote().isEmpty());

    dialog.cbxPort_N->setCurrentIndex(-1);
    dialog.cbxPort_N->showPopup();
    dialog.cbxPort_N->hidePopup();
    EXPECT_EQ(dialog.cbxPort_N->currentIndex(), -1);
    // The dialog says that no port is chosen.
    EXPECT_EQ(dialog.PortNote(), NoPortChosenText());
    EXPECT_FALSE(dialog.lblPortNote->isHidden());
    EXPECT_EQ(dialog.lblPortNote->text(), NoPortChosenText());
    dialog.cbxPort_Speed->setCurrentIndex(4);
    dialog.ApplyToComm(port);
    EXPECT_EQ(port.CommPort(), QStringLiteral("/dev/"));
}

TEST_F(PortDialog, UnusableSpeedRaisesAfterThePortNameWasSet)
{
    port.SetBaudRate(14400);
    port.SetParity(pOdd);
    dialog.LoadFromComm(port);
    dialog.cbxPort_N->setCurrentIndex(dialog.cbxPort_N->findText(link));
    dialog.cbxPort_Parity->setCurrentIndex(0);
    EXPECT_THROW(dialog.ApplyToComm(port), EConvertError);
    EXPECT_EQ(port.CommPort(), link);
    EXPECT_EQ(port.BaudRate(), 14400u);
    EXPECT_EQ(port.Parity(), pOdd);
}

TEST_F(PortDialog, OpenPortIsLeftAlone)
{
    port.SetCommPort(link);
    ASSERT_NO_THROW(port.OpenPort());
    dialog.LoadFromComm(port);
    dialog.cbxPort_Speed->setCurrentIndex(0);
    dialog.ApplyToComm(port);
    EXPECT_EQ(port.BaudRate(), 9600u);
    port.ClosePort();
}

// A port that exists and may be used but does not open: the program holding it is named when
// the process table shows it, and the component's raw message is not shown for that cause.
TEST(PortDiagnosis, NamesTheProgramHoldingThePort)
{
    QTemporaryDir folder;
    const QString device = folder.filePath(QStringLiteral("ttyUSB7"));
    QFile file(device);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const QString proc = folder.filePath(QStringLiteral("proc"));
    const QString unheld =
        PortOpenFailureHint(device, ECommsError(CommsFault::OpenFailed, device), proc);
    EXPECT_FALSE(unheld.contains(QStringLiteral("Неверный Handle COM-порта !")));
    EXPECT_TRUE(unheld.contains(QStringLiteral("занят другой программой")));

    ASSERT_TRUE(QDir().mkpath(proc + QStringLiteral("/733/fd")));
    QFile comm(proc + QStringLiteral("/733/comm"));
    ASSERT_TRUE(comm.open(QIODevice::WriteOnly));
    comm.write("minicom\n");
    comm.close();
    ASSERT_TRUE(QFile::link(device, proc + QStringLiteral("/733/fd/3")));
    EXPECT_EQ(PortOpenFailureHint(device, ECommsError(CommsFault::OpenFailed, device), proc)
                  .toStdString(),
              QStringLiteral("Порт %1 занят программой minicom (процесс 733). Закройте её или "
                             "выберите другой порт.")
                  .arg(device)
                  .toStdString());
}

// Who holds a port: the owner of a live lock file first, with the file, even while nobody has the
// device open; else the program that has the device open, never the one that only made the
// pseudo-terminal (it holds the far end as well). A link names the same port as its device.
TEST(PortDiagnosis, NamesTheLockOwnerFirstAndNeverTheMakerOfAPseudoTerminal)
{
    modemsim::PtyPair pty;
    const QString device = pty.slavePath();
    QTemporaryDir folder;
    const QString link = folder.filePath(QStringLiteral("modem"));
    ASSERT_TRUE(QFile::link(device, link));
    const QString proc = folder.filePath(QStringLiteral("proc"));
    const auto process = [&](const char *Pid, const QByteArray &Name) {
        const QString root = proc + u'/' + QLatin1StringView(Pid);
        EXPECT_TRUE(QDir().mkpath(root + QStringLiteral("/fd")));
        EXPECT_TRUE(QDir().mkpath(root + QStringLiteral("/fdinfo")));
        QFile comm(root + QStringLiteral("/comm"));
        EXPECT_TRUE(comm.open(QIODevice::WriteOnly));
        comm.write(Name + '\n');
        return root;
    };
    // socat made the pair: it holds the near end and the far end.
    const QString socat = process("733", "socat");
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/ptmx"), socat + QStringLiteral("/fd/5")));
    QFile nearEnd(socat + QStringLiteral("/fdinfo/5"));
    ASSERT_TRUE(nearEnd.open(QIODevice::WriteOnly));
    nearEnd.write("pos:\t0\nflags:\t02\ntty-index:\t" + device.section(u'/', -1).toLatin1() + '\n');
    nearEnd.close();
    ASSERT_TRUE(QFile::link(device, socat + QStringLiteral("/fd/6")));
    ASSERT_TRUE(QFile::link(device, process("900", "picocom") + QStringLiteral("/fd/3")));
    const QString byPicocom = QStringLiteral("Порт %1 занят программой picocom (процесс 900). "
                                             "Закройте её или выберите другой порт.")
                                  .arg(device);
    EXPECT_EQ(PortOpenFailureHint(link, ECommsError(CommsFault::OpenFailed, link), proc),
              byPicocom);

    QTemporaryDir locks;
    const QByteArray lockFolder = qgetenv("QUILLON_LOCK_DIR");
    qputenv("QUILLON_LOCK_DIR", QFile::encodeName(locks.path()));
    QProcess owner;
    owner.start(QStringLiteral("sleep"), {QStringLiteral("60")});
    ASSERT_TRUE(owner.waitForStarted());
    const QString lockFile = locks.filePath(QStringLiteral("LCK..pts_") + device.section(u'/', -1));
    QFile lock(lockFile);
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write(QByteArray::number(owner.processId()).rightJustified(10) + '\n');
    lock.close();
    EXPECT_EQ(PortOpenFailureHint(link, ECommsError(CommsFault::OpenFailed, link)),
              QStringLiteral("Порт %1 занят программой sleep (процесс %2): файл блокировки %3. "
                             "Закройте её или выберите другой порт.")
                  .arg(device)
                  .arg(owner.processId())
                  .arg(lockFile));
    owner.kill();
    owner.waitForFinished();
    EXPECT_EQ(PortOpenFailureHint(link, ECommsError(CommsFault::OpenFailed, link), proc),
              byPicocom);
    qputenv("QUILLON_LOCK_DIR", lockFolder);
}

TEST(PortDiagnosis, FindsModemManagerInTheProcessTable)
{
    QTemporaryDir proc;
    const auto process = [&](const char *pid, const QByteArray &name) {
        QDir(proc.path()).mkdir(QString::fromLatin1(pid));
        QFile comm(proc.filePath(QString::fromLatin1(pid) + QStringLiteral("/comm")));
        ASSERT_TRUE(comm.open(QIODevice::WriteOnly));
        comm.write(name + '\n');
    };
    process("1", "systemd");
    process("self", "ModemManager"); // not a process id
    EXPECT_FALSE(ModemManagerRunning(proc.path()));
    process("733", "ModemManager");
    EXPECT_TRUE(ModemManagerRunning(proc.path()));
}

TEST(DefaultErrorReport, ShowsTheErrorTextUnderTheApplicationTitle)
{
    std::vector<MessageBoxes::Box> boxes;
    MessageBoxes::setAnswerer([&](const MessageBoxes::Box &box) { boxes.push_back(box); });
    ReportHandlerError(nullptr, QStringLiteral("Порт не открыт"));
    MessageBoxes::setAnswerer({});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("QXL - Quillon"));
    EXPECT_EQ(boxes[0].icon, MessageBoxes::Icon::Error);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Порт не открыт"));
}

} // namespace
