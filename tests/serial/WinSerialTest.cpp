// The Windows serial layer: port names, the registry's port list, and the component on a pair of
// COM ports joined by a null modem (named in QUILLON_TEST_COM_PAIR, e.g. "COM5,COM6").
#include "tests/common/TestSupport.h"

#include "serial/SerialPorts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <thread>
#include <windows.h>

namespace {

const QString HandleError = QStringLiteral("Неверный Handle COM-порта !");

QByteArray pattern(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>('A' + (i * 7 + i / 251) % 26);
    return bytes;
}

bool runsUnderWine()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// A value of the registry's serial port key, removed again at the end of the test.
class RegisteredPort
{
public:
    RegisteredPort(const wchar_t *name, const wchar_t *port) : valueName(name)
    {
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, nullptr,
                            REG_OPTION_VOLATILE, KEY_READ | KEY_WRITE, nullptr, &key,
                            nullptr) != ERROR_SUCCESS) {
            key = nullptr;
            return;
        }
        const auto bytes = static_cast<DWORD>((wcslen(port) + 1) * sizeof(wchar_t));
        if (RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(port), bytes) !=
            ERROR_SUCCESS) {
            RegCloseKey(key);
            key = nullptr;
        }
    }
    ~RegisteredPort()
    {
        if (!key)
            return;
        RegDeleteValueW(key, valueName);
        RegCloseKey(key);
    }
    bool written() const { return key != nullptr; }

private:
    const wchar_t *valueName;
    HKEY key = nullptr;
};

QStringList portNames()
{
    QStringList names;
    for (const SerialPortInfo &port : ListSerialPorts())
        names.append(port.name);
    return names;
}

TEST(WinSerialPortsTest, BareComNamesOpenThroughTheDeviceNamespace)
{
    // COM10 and up cannot be opened by their bare name.
    EXPECT_EQ(ResolveDevicePath(QStringLiteral("COM3")), QStringLiteral("\\\\.\\COM3"));
    EXPECT_EQ(ResolveDevicePath(QStringLiteral("com12")), QStringLiteral("\\\\.\\com12"));
    EXPECT_EQ(ResolveDevicePath(QStringLiteral("\\\\.\\COM12")), QStringLiteral("\\\\.\\COM12"));
    EXPECT_EQ(ResolveDevicePath(QStringLiteral("COM0")), QStringLiteral("COM0"));
    EXPECT_EQ(ResolveDevicePath(QString()), QString());
}

// The port the window opens for the dialog's entry is the one the runner opens for the same name,
// and its record names it the same way: COM12, never a path such as /dev/COM12 that Windows
// cannot open. A profile's port, with or without the device namespace, selects its entry.
TEST(WinSerialPortsTest, DialogEntriesOpenAsTheRunnerOpensThem)
{
    for (const QString &entry : {QStringLiteral("COM5"), QStringLiteral("COM12")}) {
        EXPECT_EQ(CommPortForEntry(entry), entry);
        EXPECT_EQ(ResolveDevicePath(CommPortForEntry(entry)), QStringLiteral("\\\\.\\") + entry);
        EXPECT_EQ(EntryForCommPort(CommPortForEntry(entry)), entry);
        EXPECT_EQ(EntryForCommPort(QStringLiteral("\\\\.\\") + entry), entry);
    }
    EXPECT_EQ(EntryForCommPort(QStringLiteral("com5")), QStringLiteral("com5"));
}

// A COM port is no file: a file test says it is missing whether it is plugged in or not, and the
// station's wait for a modem's removal, taking its word, would end at once and program the same
// modem again and again. A port that is there is never said to be missing.
TEST(WinSerialPortsTest, PortThatIsThereIsNeverSaidToBeMissing)
{
    const QStringList pair = qEnvironmentVariable("QUILLON_TEST_COM_PAIR").split(u',');
    if (pair.size() != 2)
        GTEST_SKIP() << "QUILLON_TEST_COM_PAIR names no pair of ports";
    for (const QString &name : pair)
        EXPECT_NE(DevicePresent(name), std::optional<bool>(false)) << name.toStdString();
}

TEST(WinSerialPortsTest, DeviceValuesShowTheirPortAndOthersTheirName)
{
    RegisteredPort driver(L"\\DeVice\\QuillonTest0", L"COM77");
    RegisteredPort plain(L"COM78", L"ignored");
    if (!driver.written() || !plain.written())
        GTEST_SKIP() << "the serial port key cannot be written here";
    const QStringList names = portNames();
    EXPECT_TRUE(names.contains(QStringLiteral("COM77")));
    EXPECT_TRUE(names.contains(QStringLiteral("COM78")));
    EXPECT_FALSE(names.contains(QStringLiteral("ignored")));
}

TEST(WinSerialPortsTest, OpenFailuresRaiseTheirMessages)
{
    TComm32 port;
    for (const QString &name :
         {QString(), QStringLiteral("COM199"), QStringLiteral("\\\\.\\no-such-device-here")}) {
        port.SetCommPort(name);
        EXPECT_EQ(commsError([&] { port.OpenPort(); }), HandleError) << name.toStdString();
        EXPECT_FALSE(port.PortOpen());
    }
    QTemporaryDir folder;
    QFile plain(folder.filePath(QStringLiteral("plain")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    port.SetCommPort(QDir::toNativeSeparators(plain.fileName()));
    EXPECT_EQ(commsError([&] { port.OpenPort(); }), QStringLiteral("Неверный тип COM-порта. "));
    EXPECT_FALSE(port.PortOpen());
}

// A port with a driver behind it (a UART; COM1 under Wine) keeps an event wait in flight while its
// line is quiet. Closing must end that wait whatever the driver makes of a cancel: one under Wine
// never lets go, and the close would hang for ever.
TEST(WinSerialQuietPortTest, ClosingEndsTheEventWaitOfAQuietLine)
{
    const QString name = qEnvironmentVariable("QUILLON_TEST_QUIET_COM");
    if (name.isEmpty())
        GTEST_SKIP() << "QUILLON_TEST_QUIET_COM names no port";
    TComm32 port;
    port.SetCommPort(ResolveDevicePath(name));
    for (int round = 0; round < 3; ++round) {
        ASSERT_NO_THROW(port.OpenPort()) << "round " << round;
        pumpFor(300ms); // the reader is waiting for an event by now
        const auto before = std::chrono::steady_clock::now();
        port.ClosePort();
        EXPECT_LT(std::chrono::steady_clock::now() - before, 10s) << "round " << round;
        EXPECT_FALSE(port.PortOpen());
    }
}

// Two components on the two ends of a null modem.
class ComPairTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QStringList pair = qEnvironmentVariable("QUILLON_TEST_COM_PAIR").split(u',');
        if (pair.size() != 2)
            GTEST_SKIP() << "QUILLON_TEST_COM_PAIR names no pair of ports";
        local.SetCommPort(QStringLiteral("\\\\.\\") + pair[0]);
        remote.SetCommPort(QStringLiteral("\\\\.\\") + pair[1]);
        ASSERT_NO_THROW(local.OpenPort());
        ASSERT_NO_THROW(remote.OpenPort());
        // Whatever an earlier test left on the line.
        pumpFor(200ms);
        for (Received *received : {&localReceived, &remoteReceived}) {
            received->bytes.clear();
            received->blockSizes.clear();
        }
    }

    TComm32 local;
    TComm32 remote;
    Received localReceived{local};
    Received remoteReceived{remote};
};

TEST_F(ComPairTest, ExchangesBytesAndReopens)
{
    ASSERT_TRUE(local.WriteData("ATE0\r\n", 6));
    ASSERT_TRUE(waitUntil([&] { return remoteReceived.bytes == "ATE0\r\n"; }));
    ASSERT_TRUE(remote.WriteData("\r\nOK\r\n", 6));
    ASSERT_TRUE(waitUntil([&] { return localReceived.bytes == "\r\nOK\r\n"; }));
    EXPECT_TRUE(localReceived.everyBlockTerminated);

    EXPECT_EQ(commsError([&] { local.OpenPort(); }), QStringLiteral("Ошибка создания COM-порта !"));
    local.ClosePort();
    EXPECT_FALSE(local.PortOpen());
    local.ClosePort(); // harmless the second time
    EXPECT_FALSE(local.WriteData("x", 1));
    ASSERT_NO_THROW(local.OpenPort());
    EXPECT_TRUE(local.WriteData("", 0));
    ASSERT_TRUE(local.WriteData("again", 5));
    ASSERT_TRUE(waitUntil([&] { return remoteReceived.bytes.endsWith("again"); }));
    local.ClosePort();
    remote.ClosePort();
    pumpFor(50ms);
    EXPECT_EQ(localReceived.hangups + remoteReceived.hangups, 0);
}

TEST_F(ComPairTest, BlocksEndWhenTheLineFallsQuiet)
{
    ASSERT_TRUE(remote.WriteData("first", 5));
    ASSERT_TRUE(waitUntil([&] { return localReceived.bytes == "first"; }));
    std::this_thread::sleep_for(200ms);
    ASSERT_TRUE(remote.WriteData("second", 6));
    ASSERT_TRUE(waitUntil([&] { return localReceived.bytes == "firstsecond"; }));
    // The reader hands over what came before a pause, never waiting for its buffer to fill.
    EXPECT_GE(localReceived.blockSizes.size(), 2U);
    local.ClosePort();
    remote.ClosePort();
}

// The channel waits for a reply as below: one blocking pass of the event loop, then a look at what
// came. Each reply must end such a pass, not sit unseen until the time-out ends it.
TEST_F(ComPairTest, AWaitingCallerSeesEachReplyBeforeItsTimeOut)
{
    for (int round = 0; round < 10; ++round) {
        const QByteArray reply = "\r\n>>>" + QByteArray::number(round);
        bool expired = false;
        QTimer timeout;
        timeout.setSingleShot(true);
        QObject::connect(&timeout, &QTimer::timeout, [&expired] { expired = true; });
        timeout.start(3000);
        localReceived.bytes.clear();
        ASSERT_TRUE(remote.WriteData(reply.constData(), static_cast<std::int32_t>(reply.size())));
        while (!expired && localReceived.bytes != reply)
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        ASSERT_FALSE(expired) << "round " << round;
    }
    local.ClosePort();
    remote.ClosePort();
}

TEST_F(ComPairTest, LargeWritesArriveCompleteAndInOrder)
{
    const QByteArray data = pattern(300000);
    for (qsizetype at = 0, step = 1; at < data.size(); at += step, step = step * 3 % 70001 + 1)
        ASSERT_TRUE(local.WriteData(data.constData() + at,
                                    static_cast<std::int32_t>(std::min(step, data.size() - at))));
    ASSERT_TRUE(waitUntil([&] { return remoteReceived.bytes.size() >= data.size(); }, 60s));
    EXPECT_TRUE(remoteReceived.bytes == data);
    EXPECT_TRUE(remoteReceived.everyBlockTerminated);
    EXPECT_LE(*std::max_element(remoteReceived.blockSizes.begin(), remoteReceived.blockSizes.end()),
              32768);
    local.ClosePort();
    remote.ClosePort();
}

TEST_F(ComPairTest, DeviceIsExclusive)
{
    if (runsUnderWine())
        GTEST_SKIP() << "Wine opens a COM port any number of times";
    TComm32 second;
    second.SetCommPort(local.CommPort());
    EXPECT_EQ(commsError([&] { second.OpenPort(); }), HandleError);
    local.ClosePort();
    ASSERT_NO_THROW(second.OpenPort());
    second.ClosePort();
    remote.ClosePort();
}

// Last: it leaves unsent bytes in the null modem.
TEST_F(ComPairTest, ClosePortIsPromptWhileTheFarSideDoesNotRead)
{
    remote.ClosePort();
    const QByteArray data = pattern(4 * 1024 * 1024);
    ASSERT_TRUE(local.WriteData(data.constData(), static_cast<std::int32_t>(data.size())));
    ASSERT_TRUE(local.WriteData("queued behind", 13));
    std::this_thread::sleep_for(300ms); // the writer now waits for room
    const auto before = std::chrono::steady_clock::now();
    local.ClosePort();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 5s);
    pumpFor(100ms);
    EXPECT_EQ(localReceived.hangups, 0);
}

} // namespace
