// The simulator with a line rate takes its input no faster than a serial line of that rate
// carries it, in the character format the program set, and follows the program's AT+IPR.
#include "tests/modemsim/SimTestSupport.h"

#include "tools/modemsim/ModemSimulator.h"
#include "tools/modemsim/PtySpeed.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <thread>

using namespace modemsim;

namespace {

using Clock = std::chrono::steady_clock;

// A script write of `size` raw bytes on an open device; the time from the last byte written
// until the modem has taken them all and confirmed.
Clock::duration TimeScriptWrite(SlaveLine &line, int size)
{
    line.send("AT#WSCRIPT=\"a.pyo\"," + QByteArray::number(size) + ",1\r\n");
    EXPECT_TRUE(line.waitFor(">>>").endsWith(">>>"));
    const auto start = Clock::now();
    line.send(QByteArray(size, 'x'));
    EXPECT_TRUE(line.waitFor("OK\r\n").endsWith("OK\r\n"));
    return Clock::now() - start;
}

Options ScriptModemAt(std::uint32_t bitsPerSecond)
{
    Options options;
    options.family = Family::Script;
    options.lineRate = bitsPerSecond;
    return options;
}

void SetCharacterFormat(const QString &device, tcflag_t format)
{
    const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    termios line{};
    ASSERT_EQ(tcgetattr(fd, &line), 0);
    cfmakeraw(&line);
    line.c_cflag = (line.c_cflag & ~(CSIZE | PARENB | CSTOPB)) | format;
    ASSERT_EQ(tcsetattr(fd, TCSANOW, &line), 0);
    ::close(fd);
}

} // namespace

class LineRate : public LeakCheckedTest
{
};

// 4800 bytes at 48000 bit/s: one second with 10-bit characters (8N1), 1.1 s with 11-bit ones
// (two stop bits; a pseudo-terminal keeps no parity setting). Only the lower bound is checked: a
// busy machine may be slower, never faster.
TEST_F(LineRate, TakesInputNoFasterThanItsCharacterFormatAllows)
{
    ModemSimulator modem(ScriptModemAt(48000));
    SlaveLine line(modem.devicePath());
    SetCharacterFormat(modem.devicePath(), CS8);
    EXPECT_GE(TimeScriptWrite(line, 4800), 950ms);

    SetCharacterFormat(modem.devicePath(), CS8 | CSTOPB);
    EXPECT_GE(TimeScriptWrite(line, 4800), 1050ms);
    EXPECT_EQ(modem.storedFiles().at("a.pyo"), QByteArray(4800, 'x'));
}

// At 4800 bit/s the 9600 bytes would take 20 s; after AT+IPR=96000 they take one.
TEST_F(LineRate, FollowsTheRateTheProgramAsksFor)
{
    ModemSimulator modem(ScriptModemAt(4800));
    SlaveLine line(modem.devicePath());
    SetCharacterFormat(modem.devicePath(), CS8);
    line.send("AT+IPR=96000\r\n");
    EXPECT_TRUE(line.waitFor("OK\r\n").endsWith("OK\r\n"));
    const auto taken = TimeScriptWrite(line, 9600);
    EXPECT_GE(taken, 950ms);
    EXPECT_LT(taken, 10s);
}

// A modem that cannot go faster than 48000 bit/s refuses 96000 and keeps its 4800: 960 bytes
// still take two seconds.
TEST_F(LineRate, RefusesARateAboveItsMaximumAndKeepsItsOwn)
{
    Options options = ScriptModemAt(4800);
    options.maxRate = 48000;
    ModemSimulator modem(options);
    SlaveLine line(modem.devicePath());
    SetCharacterFormat(modem.devicePath(), CS8);
    line.send("AT+IPR=96000\r\n");
    EXPECT_TRUE(line.waitFor("ERROR\r\n").endsWith("ERROR\r\n"));
    EXPECT_GE(TimeScriptWrite(line, 960), 1900ms);
}

// A line that flow control holds: the modem takes nothing after the first bytes, so the sender's
// output backs up; the bytes taken are exactly those allowed.
TEST_F(LineRate, StallHoldsTheRestOfTheInput)
{
    Options options = ScriptModemAt(0);
    options.faults.stallAfterBytes = 10;
    ModemSimulator modem(options);
    SlaveLine line(modem.devicePath());
    line.send("AT+IPR=9600\r\nAT\r\n");
    line.drain();
    EXPECT_EQ(modem.received(), "AT+IPR=960");
}

// Two ends whose rates are more than 3 % apart read each other's characters wrong: the modem at
// 9600 bit/s understands a program at 9800, follows it to 19200, and then no longer understands
// it at 9800.
TEST_F(LineRate, InputSentAtAnotherRateArrivesGarbled)
{
    EXPECT_TRUE(ratesAgree(9888, 9600));
    EXPECT_FALSE(ratesAgree(9889, 9600));
    EXPECT_TRUE(ratesAgree(9312, 9600));
    EXPECT_FALSE(ratesAgree(9311, 9600));

    ModemSimulator modem(ScriptModemAt(9600));
    {
        CommLine line(modem.devicePath(), 9800);
        line.send("AT+IPR=19200\r\n");
        EXPECT_TRUE(line.waitFor("OK\r\n").endsWith("OK\r\n"));
        line.send("AT\r\n");
        EXPECT_FALSE(line.waitFor("OK", 500ms).contains("OK"));
    }
    EXPECT_EQ(modem.commands(), std::vector<QByteArray>{"AT+IPR=19200"});
    const QByteArray received = modem.received();
    EXPECT_EQ(received.mid(received.size() - 4), "\xC1\xD4\x8D\x8A");
}

// The line feed after "AT+IPR=19200" may reach the modem after it has changed its rate, as
// noise; the next command, sent at the new rate, is still understood.
TEST_F(LineRate, NoiseLeftByTheRateChangeDoesNotSpoilTheNextCommand)
{
    ModemSimulator modem(ScriptModemAt(9600));
    CommLine line(modem.devicePath(), 9600);
    line.send("AT+IPR=19200\r");
    EXPECT_TRUE(line.waitFor("OK\r\n").endsWith("OK\r\n"));
    line.send("\n");
    const auto patience = Clock::now() + kPatience;
    while (!modem.received().endsWith('\x8A') && Clock::now() < patience)
        std::this_thread::sleep_for(1ms);
    ASSERT_TRUE(modem.received().endsWith('\x8A'));
    line.setRate(19200);
    line.send("AT\r\n");
    EXPECT_TRUE(line.waitFor("OK\r\n").endsWith("OK\r\n"));
    EXPECT_EQ(modem.commands(), (std::vector<QByteArray>{"AT+IPR=19200", "AT"}));
}
