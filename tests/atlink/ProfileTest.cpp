#include "atlink/PortProfile.h"
#include "atlink/TmyComm.h"

#include <gtest/gtest.h>

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
        {"portname=/dev/ttyUSB0", PortName{QStringLiteral("/DEV/TTYUSB0")}},
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
