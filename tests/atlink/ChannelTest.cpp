#include "atlink/Crc.h"
#include "atlink/FileTransfer.h"
#include "atlink/HexText.h"
#include "atlink/Timing.h"
#include "atlink/TmyComm.h"
#include "tests/atlink/PtyModem.h"
#include "tests/serial/FakeDevice.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

// Long enough never to pass on a loaded machine when an answer is due.
constexpr std::uint32_t Generous = 20000;

using Clock = std::chrono::steady_clock;

std::chrono::milliseconds since(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

} // namespace

class Channel : public ::testing::Test
{
protected:
    PtyModem modem;
    TmyComm channel;

    void SetUp() override
    {
        channel.Comm->SetCommPort(modem.DevicePath());
        ASSERT_NO_THROW(channel.Comm->OpenPort());
    }
    void TearDown() override { modem.JoinResponder(); }
};

TEST_F(Channel, CommandWithEchoAndSplitReply)
{
    modem.AnswerWhenSeen("\r\n", {"AT+CGMR\r", "\r\nO", "K\r\n"});
    SendCommand(channel, "AT+CGMR", "OK", "ERROR", Generous);
    EXPECT_EQ(modem.JoinResponder(), "AT+CGMR\r\n");
    ASSERT_TRUE(waitUntil([&] { return channel.Reply.size() >= 14; }));
    EXPECT_EQ(channel.Reply, "AT+CGMR\r\r\nOK\r\n");
    EXPECT_EQ(channel.ReplyHex, "41 54 2B 43 47 4D 52 0D 0D 0A 4F 4B 0D 0A ");
}

// The reply is cleared before the command goes out: an "OK" left from before never ends the wait.
TEST_F(Channel, SecondExpectationEndsTheWaitTooAndOldRepliesDoNot)
{
    channel.ReceiveData("\r\nOK\r\n", 6);
    modem.AnswerWhenSeen("\n", {"\r\n+CME ERROR: 3\r\n"});
    const Clock::time_point start = Clock::now();
    SendCommand(channel, "AT^SJAM=1", "OK", "ERROR", Generous);
    EXPECT_LT(since(start), std::chrono::milliseconds(Generous / 2));
    EXPECT_EQ(channel.Reply, "\r\n+CME ERROR: 3\r\n");
}

TEST_F(Channel, TimeoutLeavesTheDumpAndLateBytesFollowIt)
{
    modem.Write("partial");
    ASSERT_TRUE(waitUntil([&] { return channel.Reply == "partial"; }));
    Timing::ScopedSpeedUp fast(600); // 90 s become 150 ms
    const Clock::time_point start = Clock::now();
    channel.SendAndWait(nullptr, 0, "OK", "ERROR", 90000);
    EXPECT_LT(since(start), 10s);
    EXPECT_EQ(channel.Reply, "TIMEOUT");
    EXPECT_EQ(channel.ReplyHex, TextToHex("partial") + ' ');

    modem.Write("\r\nOK\r\n");
    ASSERT_TRUE(waitUntil([&] { return channel.Reply.endsWith("OK\r\n"); }));
    EXPECT_EQ(channel.Reply, "TIMEOUT\r\nOK\r\n");
}

TEST_F(Channel, EmptyExpectationsNeverMatch)
{
    modem.AnswerWhenSeen("\n", {"OK"}, 0ms);
    SendCommand(channel, "AT", "", "", 300);
    EXPECT_EQ(channel.Reply, "TIMEOUT");
}

// Zero bytes on the line (noise, an adapter that sends one when opened) stay in the dump but hide
// nothing of the text: an answer behind one in the same chunk still ends the wait.
TEST_F(Channel, ZeroBytesHideNothingOfTheText)
{
    modem.AnswerWhenSeen("\n", {QByteArray("\0\r\nOK\r\n\0", 8)});
    SendCommand(channel, "AT", "OK", "ERROR", Generous);
    ASSERT_TRUE(waitUntil([&] { return channel.ReplyHex.size() == 24; }));
    EXPECT_EQ(channel.Reply, "\r\nOK\r\n");
    EXPECT_EQ(channel.ReplyHex, "00 0D 0A 4F 4B 0D 0A 00 ");

    channel.ClearReply();
    modem.Write(QByteArray("AB\0\0CD\0", 7));
    ASSERT_TRUE(waitUntil([&] { return channel.ReplyHex.size() == 21; }));
    modem.Write("EF");
    ASSERT_TRUE(waitUntil([&] { return channel.ReplyHex.size() == 27; }));
    EXPECT_EQ(channel.Reply, "ABCDEF");
    EXPECT_EQ(channel.ReplyHex, "41 42 00 00 43 44 00 45 46 ");
}

TEST_F(Channel, CountZeroOnlyWaitsAndSeesWhatIsThere)
{
    channel.ReceiveData("OK", 2);
    const Clock::time_point start = Clock::now();
    channel.SendAndWait(nullptr, 0, "OK", "", Generous);
    EXPECT_LT(since(start), std::chrono::milliseconds(Generous / 2));
    EXPECT_EQ(channel.Reply, "OK");
    EXPECT_EQ(modem.ReadUntil({}, 200ms), "") << "a wait with no count sent something";
}

TEST_F(Channel, IntervalZeroWaitsForTheAnswer)
{
    modem.AnswerWhenSeen("\n", {"\r\nOK\r\n"}, 300ms);
    SendCommand(channel, "AT", "OK", "", 0);
    EXPECT_EQ(channel.Reply, "\r\nOK\r\n");
}

// A machine that stalls just as the answer comes: the time-out fires in the pass that delivers the
// answer, or before the reader has even taken it from the device. Either way the answer was there
// when the time was up, and it counts.
TEST_F(Channel, AnswerDeliveredInTheSamePassAsTheTimeoutCounts)
{
    // A handler holds the thread past the interval and queues the answer, so that the next pass
    // delivers both the answer and the time-out.
    QTimer::singleShot(0, [this] {
        std::this_thread::sleep_for(300ms);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [this] { channel.ReceiveData("OK", 2); },
            Qt::QueuedConnection);
    });
    channel.SendAndWait(nullptr, 0, "OK", "", 50);
    EXPECT_EQ(channel.Reply, "OK");
    EXPECT_EQ(channel.ReplyHex, "4F 4B ");
}

TEST(HeldReader, AnswerWaitingInTheDeviceAtTheTimeoutCounts)
{
    const auto line = std::make_shared<FakeLine>();
    TmyComm channel(std::make_unique<TComm32>(std::make_unique<FakePlatform>(line)));
    channel.Comm->SetCommPort(QStringLiteral("FAKE"));
    ASSERT_NO_THROW(channel.Comm->OpenPort());
    for (const bool hex : {false, true}) {
        SCOPED_TRACE(hex ? "SendAndWaitEx" : "SendAndWait");
        // The answer is in the device before the interval ends; the reader takes it only after.
        // The interval leaves the answering thread time enough on a loaded machine.
        line->holdReads = true;
        std::thread modem([&line] {
            EXPECT_EQ(line->receive(4), QByteArray("AT\r\n"));
            line->send("\r\nOK\r\n");
            std::this_thread::sleep_for(800ms);
            line->holdReads = false;
        });
        if (hex)
            channel.SendAndWaitEx("AT\r\n", 4, "4F 4B", "", 500, true);
        else
            SendCommand(channel, "AT", "OK", "ERROR", 500);
        modem.join();
        EXPECT_EQ(channel.Reply, "\r\nOK\r\n");
    }
    // Nothing on its way: the time-out is declared without waiting for the reader.
    const auto start = Clock::now();
    SendCommand(channel, "AT", "OK", "ERROR", 100);
    EXPECT_EQ(channel.Reply, "TIMEOUT");
    EXPECT_LT(since(start), 900ms);
    EXPECT_EQ(line->receive(4), QByteArray("AT\r\n"));
    channel.Comm->ClosePort();
}

TEST_F(Channel, HexWaitIgnoresLineEndsAndMatchesWholeUpperCaseBytes)
{
    modem.AnswerWhenSeen("AT", {"\r\nOK\r\n"});
    channel.SendAndWaitEx("AT\r\n", 4, "0D 0A 4F 4B 0D 0A", "", Generous, true);
    EXPECT_EQ(channel.Reply, "\r\nOK\r\n");

    channel.SendAndWaitEx({}, 0, "0d 0a 4f 4b", "", 300, true);
    EXPECT_EQ(channel.Reply, "TIMEOUT") << "lower-case digits matched";

    channel.ClearReply();
    modem.Write("\x14\xF4\xB0");
    channel.SendAndWaitEx({}, 0, "4F 4B", "", 300, true);
    EXPECT_EQ(channel.Reply, "TIMEOUT") << "digits of different bytes matched";
}

TEST_F(Channel, HexWaitWithoutClearMatchesOldAndNewBytes)
{
    channel.ReceiveData("O", 1);
    modem.AnswerWhenSeen("?", {"K"});
    channel.SendAndWaitEx("AT?", 3, "4F4B", "", Generous, false);
    EXPECT_EQ(channel.Reply, "OK");

    modem.AnswerWhenSeen("?", {"K"});
    channel.SendAndWaitEx("AT?", 3, "4F4B", "", 300, true);
    EXPECT_EQ(channel.Reply, "TIMEOUT");
}

TEST_F(Channel, HexWaitSendsNoMoreThanTheArrayHolds)
{
    modem.AnswerWhenSeen("AT", {"OK"});
    channel.SendAndWaitEx("AT", 2048, TextToHex("OK"), "", Generous, true);
    EXPECT_EQ(modem.JoinResponder() + modem.ReadUntil({}, 200ms), "AT");
}

TEST_F(Channel, ClosedPortReturnsAtOnceKeepingTheBuffers)
{
    modem.AnswerWhenSeen("\n", {"OK\r\n"});
    SendCommand(channel, "AT", "OK", "", Generous);
    modem.JoinResponder();
    channel.Comm->ClosePort();

    SendCommand(channel, "ATE0", "OK", "", Generous);
    channel.SendAndWaitEx("ATE0\r\n", 6, "4F 4B", "", Generous, true);
    EXPECT_EQ(channel.Reply, "OK\r\n");
    EXPECT_EQ(channel.ReplyHex, "4F 4B 0D 0A ");
    EXPECT_EQ(modem.ReadUntil({}, 200ms), "");
}

// A wait that follows bytes sent before, such as a file, counts its interval from the moment
// the last of them has left the port: the far side here reads nothing for 3 s, far longer than
// the 1.5 s interval, and still answers in time.
TEST_F(Channel, WaitAfterBytesCountsFromTheirLastByte)
{
    const QByteArray block = QByteArray(60000, 'x') + "END"; // more than the device buffers
    ASSERT_TRUE(
        channel.Comm->WriteData(block.constData(), static_cast<std::int32_t>(block.size())));
    std::thread slowModem([this] {
        std::this_thread::sleep_for(3s);
        modem.ReadUntil("END");
        modem.Write("\r\nOK\r\n");
    });
    channel.SendAndWait("", 0, "OK", "ERROR", 1500);
    slowModem.join();
    EXPECT_EQ(channel.Reply, "\r\nOK\r\n");
}

// The same for a block of raw bytes sent by the hex wait itself, as a replayed exchange sends.
TEST_F(Channel, HexWaitCountsFromTheBlocksLastByte)
{
    const QByteArray block = QByteArray(60000, 'y') + "END";
    std::thread slowModem([this] {
        std::this_thread::sleep_for(2500ms);
        modem.ReadUntil("END");
        modem.Write("OK");
    });
    channel.SendAndWaitEx(block, block.size(), "4F 4B", "", 1200, true);
    slowModem.join();
    EXPECT_EQ(channel.Reply, "OK");
}

// Bytes that never leave (a line held by flow control) do not hold the wait for ever: it ends
// after the line time of the bytes still to go plus its interval, both sped up here. The device
// takes some 20 kB before it holds, so at least 40,000 bytes' line time (3.5 s) is added to the
// interval's 1 s.
TEST_F(Channel, WaitAfterBytesThatNeverLeaveStillEnds)
{
    channel.Comm->SetBaudRate(115200); // 60,000 bytes: 5.2 s of line time
    const QByteArray block(60000, 'x');
    ASSERT_TRUE(
        channel.Comm->WriteData(block.constData(), static_cast<std::int32_t>(block.size())));
    Timing::ScopedSpeedUp fast(10);
    const Clock::time_point start = Clock::now();
    channel.SendAndWait("", 0, "OK", "ERROR", 1000);
    EXPECT_EQ(channel.Reply, "TIMEOUT");
    EXPECT_GE(since(start), 400ms);
}

// SendFile: the modem must get exactly Size bytes, and nothing at all when the call fails.
class Transfer : public Channel
{
protected:
    QTemporaryDir dir;

    QString file(const QByteArray &content)
    {
        const QString name = dir.filePath(QStringLiteral("script.bin"));
        QFile out(name);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(content);
        return name;
    }
    QByteArray received(qsizetype count) { return modem.Read(count); }
};

TEST_F(Transfer, SendsTheFileAndItsCrcAfterClearingTheReplies)
{
    channel.ReceiveData("stale", 5);
    EXPECT_EQ(*SendFile(channel, file("123456789"), 9, true), 0x6F91u);
    EXPECT_TRUE(channel.Reply.isEmpty());
    EXPECT_TRUE(channel.ReplyHex.isEmpty());
    EXPECT_EQ(received(9), "123456789");
    EXPECT_EQ(*SendFile(channel, file("123456789"), 9, false), 0u);
    EXPECT_EQ(received(9), "123456789");
}

TEST_F(Transfer, ShortFileIsPaddedAndLargestFileSentWhole)
{
    ASSERT_TRUE(SendFile(channel, file("abc"), 6, false));
    EXPECT_EQ(received(6), QByteArray("abc\0\0\0", 6));

    // The most the transfer buffer of 102,400 bytes takes beside its closing zero; written out
    // here, so that a change of the limit shows in this test.
    QByteArray largest(102399, '\0');
    for (qsizetype i = 0; i < largest.size(); ++i)
        largest[i] = char(i * 7);
    const CrcParams params = MakeCrcParams(16, 0x1021, 0xFFFF, 0, true, true);
    CrcTable table;
    BuildCrcTable(params, table);
    const std::uint32_t expected = ComputeCrc(
        params, reinterpret_cast<const std::uint8_t *>(largest.constData()), 102399, table);
    EXPECT_EQ(*SendFile(channel, file(largest + "tail"), 102399, true), expected);
    EXPECT_EQ(received(102399), largest);
}

TEST_F(Transfer, FailureSendsAndClearsNothing)
{
    channel.ReceiveData("OK", 2);
    const QString name = file("data");
    const QString missing = dir.filePath(QStringLiteral("missing"));
    for (const auto &[size, path] :
         {std::pair{102400, name}, std::pair{-1, name}, std::pair{4, missing}}) {
        const auto sent = SendFile(channel, path, size, true);
        ASSERT_FALSE(sent) << size;
        EXPECT_EQ(sent.failure().kind, Failure::Kind::BadFile);
    }
    EXPECT_EQ(SendFile(channel, missing, 4, true).failure().text,
              QStringLiteral("Файл %1 не удается прочитать.").arg(missing));
    EXPECT_EQ(channel.Reply, "OK");
    channel.Comm->WriteData("!", 1);
    EXPECT_EQ(received(1), "!") << "a failed transfer sent bytes";
}

TEST(Pause, IsScaledAndProcessesPendingEventsOnce)
{
    Timing::ScopedSpeedUp fast(1000);
    bool ran = false;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&] { ran = true; }, Qt::QueuedConnection);
    const Clock::time_point start = Clock::now();
    Pause(5000);
    EXPECT_LT(since(start), 3s);
    EXPECT_TRUE(ran);
    ran = false;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&] { ran = true; }, Qt::QueuedConnection);
    Pause(0);
    EXPECT_TRUE(ran);
}

// A quit request that comes in during a pause (as the closed window's event does) ends it; without
// a break the pause runs its full time.
TEST(Pause, EndsWhenTheBreakHoldsAndOnlyThen)
{
    bool quit = false;
    const PauseBreak onQuit([&quit] { return quit; });
    QTimer::singleShot(50, QCoreApplication::instance(), [&quit] { quit = true; });
    const Clock::time_point start = Clock::now();
    {
        // A pause the request does not end runs its 30 s, well inside the test's limit.
        Timing::ScopedSpeedUp bounded(4);
        Pause(120000);
    }
    EXPECT_TRUE(quit);
    EXPECT_LT(since(start), 10s);

    Timing::ScopedSpeedUp fast(50);
    quit = false;
    const Clock::time_point full = Clock::now();
    Pause(2000);
    EXPECT_GE(since(full), 35ms);
}

// Channels live in worker threads with their own event loops and do not disturb each other.
TEST(ChannelThreads, SeveralChannelsInSeveralThreads)
{
    constexpr int Channels = 3;
    std::atomic<int> answered{0};
    std::vector<std::unique_ptr<PtyModem>> modems;
    std::vector<std::thread> threads;
    for (int i = 0; i < Channels; ++i) {
        modems.push_back(std::make_unique<PtyModem>());
        PtyModem &modem = *modems.back();
        const QByteArray id = QByteArray::number(i);
        modem.AnswerWhenSeen("AT" + id + "\r\n", {"\r\nOK" + id + "\r\n"});
        threads.emplace_back([&modem, &answered, id] {
            const QEventLoop loop; // the thread's own event dispatcher
            TmyComm channel;
            channel.Comm->SetCommPort(modem.DevicePath());
            try {
                channel.Comm->OpenPort();
            } catch (const ECommsError &) {
                return;
            }
            SendCommand(channel, "AT" + id, "OK" + id, "", Generous);
            if (channel.Reply == "\r\nOK" + id + "\r\n")
                ++answered;
            channel.Comm->ClosePort();
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(answered, Channels);
}
