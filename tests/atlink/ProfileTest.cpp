#include "atlink/PortProfile.h"
#include "atlink/TmyComm.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

QString dataFile(const char *name)
{
    return QStringLiteral(QUILLON_TEST_DATA "/") + QString::fromLatin1(name);
}

} // namespace

TEST(PortProfile, ValueTables)
{
    const struct
    {
        const char *line;
        std::optional<PortSetting> setting;
    } cases[] = {
        {" PortName = com3 ", PortName{QStringLiteral("COM3")}},
        // A device path keeps its letters: a message names it as written.
        {"portname=/dev/ttyUSB0", PortName{QStringLiteral("/dev/ttyUSB0")}},
        {"PORTNAME = /dev/serial/by-id/usb-FTDI_A1 ",
         PortName{QStringLiteral("/dev/serial/by-id/usb-FTDI_A1")}},
        {"baudrate=115200\r", BaudRateSetting{115200}},
        {"baudrate=fast", std::nullopt},
        {"baudrate=-1", std::nullopt},
        {"databits=4", sz_4},
        {"databits=3", std::nullopt},
        {"databits=9", std::nullopt},
        {"parity=EVEN", pEven},
        {"parity=odd", pOdd},
        {"parity=space", pSpace},
        {"parity=mark", pMark},
        {"parity=none", pNone},
        {"stopbits=1,5", sb1_5},
        {"stopbits=1.5", sb1_0},
        {"stopbits=2", sb2_0},
        {"rts=1", fcHardware},
        {"rts=2", fcSoftware},
        {"rts=0", fcNone},
        {"rts=yes", fcNone},
        {"rts", std::nullopt},
        {"=1", std::nullopt},
        {"speed=9600", std::nullopt},
        {"\tparity\x01=\x1f"
         "even\x20",
         pEven},
        {"parity=even=odd", pNone},
        {" WriteRate = 115200\r", WriteRateSetting{115200}},
        {"writerate=921600", WriteRateSetting{921600}},
        {"writerate=1200", WriteRateSetting{1200}},
        // Only a standard rate from 1200 up is a write rate, written in plain digits.
        {"writerate=600", BadWriteRate{QStringLiteral("600")}},
        {"writerate=250000", BadWriteRate{QStringLiteral("250000")}},
        {"writerate=+9600", BadWriteRate{QStringLiteral("+9600")}},
        {"writerate=9600 bit/s", BadWriteRate{QStringLiteral("9600 bit/s")}},
        {"writerate=Fast", BadWriteRate{QStringLiteral("fast")}},
        {"writerate=", BadWriteRate{QString()}},
    };
    for (const auto &c : cases) {
        EXPECT_TRUE(ParsePortSetting(c.line) == c.setting) << c.line;
    }
}

TEST(PortProfile, LinesEndAtLineFeedAndCtrlZ)
{
    EXPECT_EQ(ProfileLines("a=1\r\nb=2\nc"), (QList<QByteArray>{"a=1\r", "b=2", "c"}));
    EXPECT_EQ(ProfileLines("a=1\n\x1a"
                           "b=2\n"),
              (QList<QByteArray>{"a=1"}));
    EXPECT_TRUE(ProfileLines("").isEmpty());
}

class ProfileFile : public ::testing::Test
{
protected:
    TmyComm channel;
    TComm32 &port = *channel.Comm;

    void SetUp() override
    {
        port.SetCommPort(QStringLiteral("COM7"));
        port.SetBaudRate(9600);
        port.SetByteSize(sz_8);
        port.SetParity(pEven);
        port.SetStopBits(sb2_0);
        port.SetFlowControl(fcSoftware);
    }
};

TEST_F(ProfileFile, MixedCaseKeysSpacesSectionsAndComments)
{
    ASSERT_EQ(channel.LoadPortSettings(dataFile("mixed_case.ini")), std::nullopt);
    EXPECT_EQ(port.CommPort(), QStringLiteral("COM3"));
    EXPECT_EQ(port.BaudRate(), 115200u);
    EXPECT_EQ(port.ByteSize(), sz_7);
    EXPECT_EQ(port.Parity(), pEven);
    EXPECT_EQ(port.StopBits(), sb1_5);
    EXPECT_EQ(port.FlowControl(), fcHardware);
}

TEST_F(ProfileFile, BadLinesDropAloneAndTheLaterLineWins)
{
    ASSERT_EQ(channel.LoadPortSettings(dataFile("bad_and_repeated.ini")), std::nullopt);
    EXPECT_EQ(port.CommPort(), QStringLiteral("COM7")) << "no portname line keeps the name";
    EXPECT_EQ(port.BaudRate(), 57600u);
    EXPECT_EQ(port.ByteSize(), sz_8);
    EXPECT_EQ(port.Parity(), pOdd);
    EXPECT_EQ(port.StopBits(), sb1_0);
    EXPECT_EQ(port.FlowControl(), fcNone);
}

// The write rate is the profile's own: a profile without one writes at 9600 however the type
// before it wrote, and a value that is no write rate refuses the profile with its line.
TEST_F(ProfileFile, WriteRateComesFromEachProfileAndABadOneIsRefused)
{
    ASSERT_EQ(channel.LoadPortSettings(dataFile("mixed_case.ini")), std::nullopt);
    EXPECT_EQ(channel.WriteRate, 115200u);
    ASSERT_EQ(channel.LoadPortSettings(dataFile("bad_and_repeated.ini")), std::nullopt);
    EXPECT_EQ(channel.WriteRate, 9600u);
    channel.WriteRate = 57600;
    EXPECT_TRUE(channel.LoadPortSettings(dataFile("missing.ini")));
    EXPECT_EQ(channel.WriteRate, 9600u);

    const auto refused = channel.LoadPortSettings(dataFile("bad_writerate.ini"));
    ASSERT_TRUE(refused) << "a write rate of 256000 was taken";
    EXPECT_EQ(refused->kind, Failure::Kind::BadFile);
    EXPECT_TRUE(refused->text.contains(QStringLiteral("writerate=256000")))
        << refused->text.toStdString();
}

TEST_F(ProfileFile, MissingAndEmptyFilesChangeNothing)
{
    for (const QString &notAFile : {dataFile("missing.ini"), QStringLiteral(QUILLON_TEST_DATA)}) {
        const auto missing = channel.LoadPortSettings(notAFile);
        ASSERT_TRUE(missing);
        EXPECT_EQ(missing->kind, Failure::Kind::MissingFile);
    }
    EXPECT_EQ(channel.LoadPortSettings(dataFile("empty.ini")), std::nullopt);
    EXPECT_EQ(port.CommPort(), QStringLiteral("COM7"));
    EXPECT_EQ(port.BaudRate(), 9600u);
    EXPECT_EQ(port.Parity(), pEven);
}
