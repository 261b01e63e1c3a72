// The component over pseudo-terminal pairs: the real device layer end to end.
#include "tests/common/TestSupport.h"

#include "serial/LineSpeed.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

const QString HandleError = QStringLiteral("Неверный Handle COM-порта !");
const QString SettingsError = QStringLiteral("Не удалось настроить COM-порт !");

class PtyTest : public LeakCheckedTest
{
protected:
    void openPort(TComm32 &port)
    {
        port.SetCommPort(pty.slavePath());
        ASSERT_NO_THROW(port.OpenPort());
    }
    termios slaveSettings() const
    {
        termios settings{};
        tcgetattr(pty.slave(), &settings);
        return settings;
    }
    PtyPair pty;
};

QByteArray pattern(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>('A' + (i * 7 + i / 251) % 26);
    return bytes;
}

TEST_F(PtyTest, ExchangesBytesAndReopens)
{
    TComm32 port;
    Received received(port);
    openPort(port);
    EXPECT_TRUE(port.PortOpen());
    ASSERT_TRUE(port.WriteData("ATE0\r\n", 6));
    EXPECT_EQ(pty.receive(6), QByteArray("ATE0\r\n"));
    pty.send("\r\nOK\r\n");
    ASSERT_TRUE(waitUntil([&] { return received.bytes == "\r\nOK\r\n"; }));
    EXPECT_TRUE(received.everyBlockTerminated);

    port.ClosePort();
    EXPECT_FALSE(port.PortOpen());
    port.ClosePort(); // harmless the second time
    openPort(port);
    pty.send("again");
    ASSERT_TRUE(waitUntil([&] { return received.bytes.endsWith("again"); }));
    port.ClosePort();
    EXPECT_EQ(received.hangups, 0);
}

TEST_F(PtyTest, WriteDataNeedsAWriterAndSendsNothingForZeroBytes)
{
    TComm32 port;
    EXPECT_FALSE(port.WriteData("x", 1));
    openPort(port);
    EXPECT_TRUE(port.WriteData("", 0));
    EXPECT_FALSE(port.WriteData("x", -1)); // would read memory that is not there
    EXPECT_FALSE(port.WriteData(nullptr, 5));
    EXPECT_TRUE(port.WriteData("after", 5));
    EXPECT_EQ(pty.receive(100, 300ms), QByteArray("after"));
    port.ClosePort();
    EXPECT_FALSE(port.WriteData("x", 1));
    EXPECT_EQ(pty.receive(1, 100ms), QByteArray());
}

TEST_F(PtyTest, OpenFailuresRaiseTheirMessages)
{
    TComm32 port;
    for (const QString &name : {QString(), QStringLiteral("/dev/no-such-device-here")}) {
        port.SetCommPort(name);
        EXPECT_EQ(commsError([&] { port.OpenPort(); }), HandleError);
    }
    QTemporaryDir folder;
    QFile plain(folder.filePath(QStringLiteral("plain")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    port.SetCommPort(plain.fileName());
    EXPECT_EQ(commsError([&] { port.OpenPort(); }), QStringLiteral("Неверный тип COM-порта. "));
    EXPECT_FALSE(port.PortOpen());

    // Settings the line cannot carry are refused at open and leave the component closed.
    port.SetCommPort(pty.slavePath());
    port.SetByteSize(sz_4);
    EXPECT_EQ(commsError([&] { port.OpenPort(); }), SettingsError);
    port.SetByteSize(sz_8);
    port.SetStopBits(sb1_5);
    EXPECT_EQ(commsError([&] { port.OpenPort(); }), SettingsError);
    EXPECT_FALSE(port.PortOpen());
    port.SetByteSize(sz_5);
    ASSERT_NO_THROW(port.OpenPort());

    // Opening an open component leaves it open and working.
    EXPECT_EQ(commsError([&] { port.OpenPort(); }), QStringLiteral("Ошибка создания COM-порта !"));
    EXPECT_TRUE(port.WriteData("still", 5));
    EXPECT_EQ(pty.receive(5), QByteArray("still"));
    port.ClosePort();
}

TEST_F(PtyTest, DeviceIsExclusive)
{
    TComm32 first;
    openPort(first);
    TComm32 second;
    second.SetCommPort(pty.slavePath());
    EXPECT_EQ(commsError([&] { second.OpenPort(); }), HandleError);
    first.ClosePort();
    ASSERT_NO_THROW(second.OpenPort());
    second.ClosePort();

    // Another process holding the device keeps us out until it lets go.
    int held[2];
    int release[2];
    ASSERT_EQ(pipe2(held, O_CLOEXEC), 0);
    ASSERT_EQ(pipe2(release, O_CLOEXEC), 0);
    const QByteArray path = pty.slavePath().toLocal8Bit();
    const pid_t child = fork();
    if (child == 0) {
        const int device = open(path.constData(), O_RDWR | O_NOCTTY);
        const char state = device >= 0 && flock(device, LOCK_EX | LOCK_NB) == 0 ? 'y' : 'n';
        char go;
        if (write(held[1], &state, 1) == 1)
            (void)!read(release[0], &go, 1);
        _exit(0);
    }
    char state = 0;
    ASSERT_EQ(read(held[0], &state, 1), 1);
    EXPECT_EQ(state, 'y');
    EXPECT_EQ(commsError([&] { first.OpenPort(); }), HandleError);
    (void)!write(release[1], "x", 1);
    waitpid(child, nullptr, 0);
    for (int descriptor : {held[0], held[1], release[0], release[1]})
        close(descriptor);
    ASSERT_NO_THROW(first.OpenPort());
    first.ClosePort();
}

TEST_F(PtyTest, SettingsReachTheDeviceAtOnceWhileOpen)
{
    // The line starts cooked, as another program may have left a serial device.
    termios cooked = slaveSettings();
    cooked.c_lflag |= ICANON | ECHO | ISIG;
    ASSERT_EQ(tcsetattr(pty.slave(), TCSANOW, &cooked), 0);
    TComm32 port;
    openPort(port);
    termios settings = slaveSettings();
    EXPECT_FALSE(settings.c_lflag & (ICANON | ECHO | ISIG));
    EXPECT_EQ(settings.c_cflag & (HUPCL | CLOCAL | CREAD | CSTOPB | CRTSCTS),
              static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(cfgetospeed(&settings), static_cast<speed_t>(B9600));

    port.SetBaudRate(115200);
    EXPECT_EQ(cfgetospeed(&(settings = slaveSettings())), static_cast<speed_t>(B115200));
    port.SetBaudRate(250000);
    std::uint32_t speed = 0;
    EXPECT_TRUE(serial::lineSpeed(pty.slave(), speed));
    EXPECT_EQ(speed, 250000u);
    port.SetStopBits(sb2_0); // (a pty keeps 8 data bits and no parity whatever it is told)
    EXPECT_TRUE(slaveSettings().c_cflag & CSTOPB);
    port.SetFlowControl(fcHardware);
    EXPECT_TRUE(slaveSettings().c_cflag & CRTSCTS);
    port.SetFlowControl(fcSoftware);
    EXPECT_FALSE(slaveSettings().c_cflag & CRTSCTS);
    EXPECT_EQ(slaveSettings().c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));

    // A refused change while open is ignored; the name counts at the next open only.
    port.SetByteSize(sz_4);
    port.SetCommPort(QStringLiteral("/dev/no-such-device-here"));
    EXPECT_TRUE(port.PortOpen());
    EXPECT_TRUE(slaveSettings().c_iflag & IXON);
    EXPECT_TRUE(port.WriteData("ok", 2));
    EXPECT_EQ(pty.receive(2), QByteArray("ok"));
    port.ClosePort();
}

TEST_F(PtyTest, EventCharacterInReceivedBytesFiresOnEventChar)
{
    TComm32 port;
    Received received(port);
    int eventChars = 0;
    port.OnEventChar = [&](TComm32 &) { ++eventChars; };
    port.SetEventChar('\n');
    openPort(port);
    pty.send("OK\r\n");
    ASSERT_TRUE(waitUntil([&] { return eventChars == 1; }));
    pty.send("no line end");
    ASSERT_TRUE(waitUntil([&] { return received.bytes.endsWith("no line end"); }));
    pumpFor(50ms);
    EXPECT_EQ(eventChars, 1);
    port.ClosePort();
}

TEST_F(PtyTest, MegabytesArriveCompleteAndInOrderBothWays)
{
    TComm32 port;
    Received received(port);
    openPort(port);
    const QByteArray data = pattern(3 * 1024 * 1024 + 17);
    // Requests of varying size against a far side that reads slowly at first: partial writes.
    for (qsizetype at = 0, step = 1; at < data.size(); at += step, step = step * 3 % 70001 + 1)
        ASSERT_TRUE(port.WriteData(data.constData() + at,
                                   static_cast<std::int32_t>(std::min(step, data.size() - at))));
    QByteArray got;
    const auto end = std::chrono::steady_clock::now() + 60s;
    while (got.size() < data.size() && std::chrono::steady_clock::now() < end) {
        got += pty.receive(std::min<qsizetype>(4096, data.size() - got.size()), 1s);
        if (got.size() < 256 * 1024)
            std::this_thread::sleep_for(2ms);
    }
    ASSERT_EQ(got.size(), data.size()) << "the data out did not all arrive";
    EXPECT_TRUE(got == data);

    // A burst the other way comes in blocks of at most 32768 bytes, each with a zero after it.
    pty.send(data.left(300000));
    ASSERT_TRUE(waitUntil([&] { return received.bytes.size() >= 300000; }));
    EXPECT_TRUE(received.bytes == data.left(300000));
    EXPECT_TRUE(received.everyBlockTerminated);
    EXPECT_LE(*std::max_element(received.blockSizes.begin(), received.blockSizes.end()), 32768);
    port.ClosePort();
}

TEST_F(PtyTest, ClosePortIsPromptWhileTheFarSideDoesNotRead)
{
    TComm32 port;
    Received received(port);
    openPort(port);
    const QByteArray data = pattern(1024 * 1024);
    ASSERT_TRUE(port.WriteData(data.constData(), static_cast<std::int32_t>(data.size())));
    ASSERT_TRUE(port.WriteData("queued behind", 13));
    std::this_thread::sleep_for(100ms); // the writer now waits for room
    const auto before = std::chrono::steady_clock::now();
    port.ClosePort();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
    pumpFor(100ms);
    EXPECT_EQ(received.hangups, 0);
    EXPECT_LT(pty.receive(data.size(), 100ms).size(), data.size());
}

TEST_F(PtyTest, DataReceivedBeforeClosePortIsDeliveredAfterIt)
{
    TComm32 port;
    Received received(port);
    openPort(port);
    pty.send("early bytes");
    int waiting = 1;
    for (int i = 0; i < 100 && waiting > 0; ++i) {
        std::this_thread::sleep_for(20ms);
        ioctl(pty.slave(), FIONREAD, &waiting);
    }
    std::this_thread::sleep_for(50ms); // read by now, and posted
    port.ClosePort();
    EXPECT_TRUE(received.bytes.isEmpty());
    EXPECT_TRUE(waitUntil([&] { return received.bytes == "early bytes"; }));
}

TEST_F(PtyTest, VanishedDeviceEndsTheReaderWithAHangup)
{
    auto vanishing = std::make_unique<PtyPair>();
    TComm32 port;
    Received received(port);
    port.SetCommPort(vanishing->slavePath());
    ASSERT_NO_THROW(port.OpenPort());
    vanishing->send("last words");
    ASSERT_TRUE(waitUntil([&] { return received.bytes == "last words"; }));
    vanishing.reset();
    ASSERT_TRUE(waitUntil([&] { return received.hangups >= 1; }));

    // The reader has ended rather than spinning on the dead device.
    const auto cpuMicroseconds = [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000000L + usage.ru_utime.tv_usec +
               usage.ru_stime.tv_usec;
    };
    const long before = cpuMicroseconds();
    std::this_thread::sleep_for(300ms);
    EXPECT_LT(cpuMicroseconds() - before, 100000L);
    EXPECT_TRUE(port.PortOpen());
    port.WriteData("x", 1); // the writer finds out on its next write
    EXPECT_TRUE(waitUntil([&] { return !port.WriteData("y", 1); }));
    EXPECT_TRUE(port.HungUp());
    port.ClosePort();
    EXPECT_FALSE(port.PortOpen());
    EXPECT_TRUE(port.HungUp()); // still says why the port was given up

    // The device is back under a new name: the next open starts clean.
    PtyPair back;
    port.SetCommPort(back.slavePath());
    ASSERT_NO_THROW(port.OpenPort());
    EXPECT_FALSE(port.HungUp());
    port.ClosePort();
}

// Another program's settings of the port (a terminal in cooked mode with HUPCL) are back once
// the component has closed it.
TEST_F(PtyTest, ClosedPortIsLeftWithTheSettingsItWasFoundWith)
{
    PtyPair found;
    termios cooked{};
    ASSERT_EQ(tcgetattr(found.slave(), &cooked), 0);
    cooked.c_lflag |= ICANON | ECHO | ISIG;
    cooked.c_iflag |= ICRNL | IXON;
    cooked.c_oflag |= OPOST | ONLCR;
    cooked.c_cflag |= HUPCL;
    cfsetspeed(&cooked, B115200);
    ASSERT_EQ(tcsetattr(found.slave(), TCSANOW, &cooked), 0);
    ASSERT_EQ(tcgetattr(found.slave(), &cooked), 0);

    TComm32 port;
    port.SetCommPort(found.slavePath());
    port.SetBaudRate(9600);
    ASSERT_NO_THROW(port.OpenPort());
    termios open{};
    ASSERT_EQ(tcgetattr(found.slave(), &open), 0);
    EXPECT_EQ(open.c_lflag & (ICANON | ECHO), 0u); // raw while the component has it
    EXPECT_EQ(open.c_cflag & HUPCL, 0u);
    port.ClosePort();

    termios after{};
    ASSERT_EQ(tcgetattr(found.slave(), &after), 0);
    EXPECT_EQ(after.c_iflag, cooked.c_iflag);
    EXPECT_EQ(after.c_oflag, cooked.c_oflag);
    EXPECT_EQ(after.c_cflag, cooked.c_cflag);
    EXPECT_EQ(after.c_lflag, cooked.c_lflag);
    EXPECT_EQ(cfgetospeed(&after), static_cast<speed_t>(B115200));
}

// The lock file the common serial programs use is honoured while its owner lives, taken over
// from one that has ended, and removed at the close. It is named after the device, so a port
// opened through a link and the same device opened by its own name meet at one lock.
TEST_F(PtyTest, LockFileOfALiveProgramKeepsThePortStaleOneIsReplaced)
{
    // The test program's own lock folder (see TestMain.cpp).
    const QByteArray lockFolder = qgetenv("QUILLON_LOCK_DIR");
    ASSERT_FALSE(lockFolder.isEmpty());
    const QDir locks(QFile::decodeName(lockFolder));
    PtyPair locked;
    QTemporaryDir links;
    const QString link = links.filePath(QStringLiteral("modem"));
    ASSERT_TRUE(QFile::link(locked.slavePath(), link));
    const QString lockFile =
        locks.filePath(QStringLiteral("LCK..") + locked.slavePath().mid(5).replace(u'/', u'_'));
    const auto writeLock = [&](pid_t pid) {
        QFile file(lockFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::number(pid).rightJustified(10) + '\n');
    };
    TComm32 port;
    port.SetCommPort(link);
    writeLock(getppid()); // a live program holds the port
    EXPECT_EQ(commsError([&] { port.OpenPort(); }), QStringLiteral("Неверный Handle COM-порта !"));

    const pid_t ended = fork();
    if (ended == 0)
        _exit(0);
    waitpid(ended, nullptr, 0);
    writeLock(ended);
    ASSERT_NO_THROW(port.OpenPort());
    QFile taken(lockFile);
    ASSERT_TRUE(taken.open(QIODevice::ReadOnly));
    EXPECT_EQ(taken.readAll().trimmed().toInt(), getpid());
    port.ClosePort();
    EXPECT_TRUE(locks.isEmpty());
}

// A device that is not there is no reason to touch the lock folder, even a stale lock in it.
TEST_F(PtyTest, AbsentDeviceLeavesTheLocksAsTheyWere)
{
    const QDir locks(QFile::decodeName(qgetenv("QUILLON_LOCK_DIR")));
    const pid_t ended = fork();
    if (ended == 0)
        _exit(0);
    waitpid(ended, nullptr, 0);
    QFile stale(locks.filePath(QStringLiteral("LCK..no-such-device-here")));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write(QByteArray::number(ended).rightJustified(10) + '\n');
    stale.close();
    TComm32 port;
    port.SetCommPort(QStringLiteral("/dev/no-such-device-here"));
    EXPECT_EQ(commsError([&] { port.OpenPort(); }), HandleError);
    ASSERT_TRUE(stale.open(QIODevice::ReadOnly));
    EXPECT_EQ(stale.readAll().trimmed().toInt(), ended);
    stale.remove();
}

// A hang-up the owner had no chance to handle before closing is still learnt, and a stale one
// never reaches the next open.
TEST_F(PtyTest, HangupQueuedAtCloseCountsForThatPortOnly)
{
    auto vanishing = std::make_unique<PtyPair>();
    TComm32 port;
    Received received(port);
    port.SetCommPort(vanishing->slavePath());
    ASSERT_NO_THROW(port.OpenPort());
    vanishing.reset();
    std::this_thread::sleep_for(200ms); // the reader has posted its hang-up, nothing handled it
    port.ClosePort();
    EXPECT_TRUE(port.HungUp());
    PtyPair back;
    port.SetCommPort(back.slavePath());
    ASSERT_NO_THROW(port.OpenPort());
    pumpFor(100ms);
    EXPECT_FALSE(port.HungUp());
    EXPECT_EQ(received.hangups, 0);
    port.ClosePort();
}

TEST_F(PtyTest, NestedEventLoopsStillDeliverInOrder)
{
    TComm32 port;
    QByteArray seen;
    port.OnReceiveData = [&](const char *buffer, std::uint16_t length) {
        seen.append(buffer, length);
        if (seen == "first") { // callers wait for replies like this, inside a handler
            pty.send("second");
            waitUntil([&] { return seen.endsWith("second"); });
        }
    };
    openPort(port);
    pty.send("first");
    ASSERT_TRUE(waitUntil([&] { return seen.endsWith("second"); }));
    EXPECT_EQ(seen, QByteArray("firstsecond"));
    port.ClosePort();
}

TEST_F(PtyTest, WorksInAWorkerThreadWithItsOwnEventLoop)
{
    std::atomic<bool> opened{false};
    QByteArray got;
    std::thread::id handlerThread;
    std::thread worker([&] {
        QEventLoop loop; // gives the thread its own event dispatcher
        TComm32 port;
        port.SetCommPort(pty.slavePath());
        port.OnReceiveData = [&](const char *buffer, std::uint16_t length) {
            handlerThread = std::this_thread::get_id();
            got.append(buffer, length);
        };
        port.OpenPort();
        opened = port.PortOpen();
        waitUntil([&] { return got == "hello"; });
        port.ClosePort();
    });
    ASSERT_TRUE(waitUntil([&] { return opened.load(); }));
    pty.send("hello");
    const std::thread::id workerId = worker.get_id();
    worker.join();
    EXPECT_EQ(got, QByteArray("hello"));
    EXPECT_TRUE(handlerThread == workerId);
}

TEST_F(PtyTest, DestroyingAnOpenComponentClosesIt)
{
    {
        TComm32 port;
        openPort(port);
        pty.send("left queued");
        std::this_thread::sleep_for(50ms);
    }
    pumpFor(50ms); // the notifications left queued went with the component
    TComm32 again;
    openPort(again);
    again.ClosePort();
}

} // namespace

// A byte counts as sent once it has left the port, not when it was queued; EV_TXEMPTY follows
// each time everything has.
TEST_F(PtyTest, BytesCountAsSentOnceTheyLeaveAndTxEmptyFollows)
{
    TComm32 port;
    int emptied = 0;
    port.OnTXEMPTY = [&](TComm32 &) { ++emptied; };
    openPort(port);
    const QByteArray block = pattern(200000); // far more than the far side's buffer holds
    ASSERT_TRUE(port.WriteData(block.constData(), static_cast<std::int32_t>(block.size())));
    EXPECT_EQ(port.BytesQueued(), block.size());
    pumpFor(200ms);
    EXPECT_LT(port.BytesSent(), block.size()); // nothing read on the far side yet
    EXPECT_EQ(emptied, 0);

    EXPECT_EQ(pty.receive(block.size()), block);
    ASSERT_TRUE(waitUntil([&] { return emptied == 1; }));
    EXPECT_EQ(port.BytesSent(), block.size());
    ASSERT_TRUE(port.WriteData("x", 1));
    EXPECT_EQ(pty.receive(1), QByteArray("x"));
    ASSERT_TRUE(waitUntil([&] { return emptied == 2; }));
    EXPECT_EQ(port.BytesSent(), block.size() + 1);

    port.ClosePort();
    EXPECT_EQ(port.BytesQueued(), 0);
    EXPECT_EQ(port.BytesSent(), 0);
}
