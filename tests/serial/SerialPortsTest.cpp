// Port names to devices, and the list the port dialog offers.
#include "tests/common/TestSupport.h"

#include "serial/SerialPorts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

// Sets an environment variable for one test.
class ScopedEnvironment
{
public:
    ScopedEnvironment(const char *variable, const QByteArray &value)
        : name(variable), previous(qgetenv(variable))
    {
        qputenv(name, value);
    }
    ~ScopedEnvironment() { previous.isNull() ? qunsetenv(name) : qputenv(name, previous); }

private:
    const char *name;
    QByteArray previous;
};

TEST(SerialPortsTest, PortNamesMapToDevices)
{
    EXPECT_EQ(ResolveDevicePath(QStringLiteral("COM1")), QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(ResolveDevicePath(QStringLiteral("COM12")), QStringLiteral("/dev/ttyS11"));
    EXPECT_EQ(ResolveDevicePath(QStringLiteral("com3")), QStringLiteral("/dev/ttyS2"));
    EXPECT_EQ(ResolveDevicePath(QString()), QString());
    EXPECT_EQ(ResolveDevicePath(QStringLiteral("/dev/null")), QStringLiteral("/dev/null"));
    EXPECT_EQ(ResolveDevicePath(QStringLiteral("null")), QStringLiteral("/dev/null"));
    EXPECT_EQ(ResolveDevicePath(QStringLiteral("NULL")), QStringLiteral("/dev/null"));
    EXPECT_EQ(ResolveDevicePath(QStringLiteral("/DEV/NULL")), QStringLiteral("/dev/null"));
    EXPECT_EQ(ResolveDevicePath(QStringLiteral("/dev/nothing-like-this")),
              QStringLiteral("/dev/nothing-like-this"));

    QTemporaryDir folder;
    ASSERT_TRUE(QDir(folder.path()).mkpath(QStringLiteral("Ports/ttyVirtual")));
    const QString upper = folder.path().toUpper() + QStringLiteral("/PORTS/TTYVIRTUAL");
    // Every component is matched ignoring case, the temporary folder's own name included.
    EXPECT_EQ(ResolveDevicePath(upper), folder.path() + QStringLiteral("/Ports/ttyVirtual"));
}

// A profile's COMn is the port opening takes for it, ttyS(n-1), so the dialog shows that entry; an
// entry chosen in the dialog opens as the device it names.
TEST(SerialPortsTest, DialogEntriesAndTheirPorts)
{
    EXPECT_EQ(EntryForCommPort(QStringLiteral("COM1")), QStringLiteral("ttyS0"));
    EXPECT_EQ(EntryForCommPort(QStringLiteral("com12")), QStringLiteral("ttyS11"));
    EXPECT_EQ(EntryForCommPort(QStringLiteral("/dev/quillon-none0")),
              QStringLiteral("quillon-none0"));
    EXPECT_EQ(EntryForCommPort(QStringLiteral("/tmp/quillon-ports/x")),
              QStringLiteral("/tmp/quillon-ports/x"));
    EXPECT_EQ(CommPortForEntry(EntryForCommPort(QStringLiteral("COM3"))),
              QStringLiteral("/dev/ttyS2"));
    EXPECT_EQ(CommPortForEntry(QStringLiteral("ttyUSB0")), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(CommPortForEntry(QStringLiteral("/tmp/quillon-ports/x")),
              QStringLiteral("/tmp/quillon-ports/x"));
}

// A stable name is a link to the device: both stand for one port, and the device knows its
// stable names.
TEST(SerialPortsTest, StableNameAndItsDeviceAreOnePort)
{
    PtyPair pty;
    PtyPair other;
    QTemporaryDir byId;
    const QString stable = byId.filePath(QStringLiteral("usb-Maker_Adapter_A1-if00-port0"));
    ASSERT_TRUE(QFile::link(pty.slavePath(), stable));
    ASSERT_TRUE(QFile::link(other.slavePath(), byId.filePath(QStringLiteral("usb-Other-port0"))));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/pts/no-such-terminal"),
                            byId.filePath(QStringLiteral("usb-Gone-port0"))));

    EXPECT_EQ(PortDevice(stable), pty.slavePath());
    EXPECT_EQ(PortDevice(stable.toUpper()), pty.slavePath()); // as a profile writes it
    EXPECT_EQ(PortDevice(pty.slavePath()), pty.slavePath());
    EXPECT_EQ(StableNamesOf(pty.slavePath(), byId.path()), QStringList{stable});
    EXPECT_EQ(StableNamesOf(stable, byId.path()), QStringList{stable});
    EXPECT_TRUE(StableNamesOf(QStringLiteral("/dev/pts/no-such-terminal"), byId.path()).isEmpty());
}

// The station's wait for a modem's removal ends when its device goes: a device present by any of
// its names is there, one that went (its pseudo-terminal closed, a link left dangling) is not.
TEST(SerialPortsTest, DevicePresenceFollowsTheDevice)
{
    QTemporaryDir folder;
    const QString link = folder.filePath(QStringLiteral("modem"));
    QString device;
    {
        PtyPair pty;
        device = pty.slavePath();
        ASSERT_TRUE(QFile::link(device, link));
        EXPECT_EQ(DevicePresent(device), true);
        EXPECT_EQ(DevicePresent(link), true);
        EXPECT_EQ(DevicePresent(link.toUpper()), true); // as a profile writes it
    }
    EXPECT_EQ(DevicePresent(device), false);
    EXPECT_EQ(DevicePresent(link), false);
}

TEST(SerialPortsTest, UpperCasedPseudoTerminalPathOpens)
{
    PtyPair pty;
    TComm32 port;
    Received received(port);
    port.SetCommPort(pty.slavePath().toUpper());
    ASSERT_NO_THROW(port.OpenPort());
    pty.send("found");
    ASSERT_TRUE(waitUntil([&] { return received.bytes == "found"; }));
    port.ClosePort();
}

TEST(SerialPortsTest, ListHoldsMachinePortsThenLiveVirtualLinks)
{
    QTemporaryDir folder;
    ScopedEnvironment chosen("QUILLON_PORTS_DIR", folder.path().toLocal8Bit());
    PtyPair pty;
    const QString live = folder.filePath(QStringLiteral("modem-a"));
    ASSERT_TRUE(QFile::link(pty.slavePath(), live));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/pts/no-such-terminal"),
                            folder.filePath(QStringLiteral("stale"))));

    const QList<SerialPortInfo> ports = ListSerialPorts();
    ASSERT_FALSE(ports.isEmpty());
    EXPECT_EQ(ports.back().name, live);
    qsizetype virtualCount = 0;
    for (const SerialPortInfo &port : ports) {
        EXPECT_NE(port.name, QStringLiteral("tty0")); // consoles have no device behind them
        EXPECT_NE(port.name, QStringLiteral("console"));
        if (port.name.startsWith(QLatin1Char('/')))
            ++virtualCount;
    }
    EXPECT_EQ(virtualCount, 1);
}

} // namespace
