// Files as large as a transfer takes, over a line that carries 960 bytes a second (9600 bit/s,
// 10-bit characters) or 873 (11-bit characters): 107 s and 117 s, against the modem's 90 s and
// 120 s after a file. The simulator's line and the timing source are
// sped up alike, so the proportions are those of a real line.
#include "atlink/FileTransfer.h"
#include "atlink/Timing.h"
#include "procedures/Procedures.h"
#include "tests/procedures/ProcedureTestKit.h"

#include <gtest/gtest.h>

using modemsim::Family;

namespace {

constexpr int LineSpeedUp = 20;

modemsim::Options LineOptions(Family Family)
{
    modemsim::Options options;
    options.family = Family;
    options.lineRate = 9600;
    options.lineSpeedUp = LineSpeedUp;
    return options;
}

std::unique_ptr<ModemBench> LineBench(Family Family)
{
    return std::make_unique<ModemBench>(LineOptions(Family));
}

// The host heard of the file once, saw its bytes leave in order, all of them at the end.
void ExpectWholeTransferReported(const FakeHost &Host, const QString &Name, qsizetype Size)
{
    ASSERT_FALSE(Host.transfers.empty());
    EXPECT_EQ(Host.transfersEnded, 1);
    EXPECT_EQ(Host.transfers.front().sent, 0);
    std::int64_t before = 0;
    bool between = false;
    for (const TransferProgress &progress : Host.transfers) {
        EXPECT_EQ(progress.name, Name);
        EXPECT_EQ(progress.total, Size);
        EXPECT_GE(progress.sent, before);
        before = progress.sent;
        between = between || (progress.sent > 0 && progress.sent < Size);
    }
    EXPECT_TRUE(between) << "no report while the bytes were leaving";
    EXPECT_EQ(Host.transfers.back().sent, Size);
}

} // namespace

TEST(LinePace, Tu41DownloadsTheLargestFileAtTheLinesPace)
{
    Timing::ScopedSpeedUp fast(LineSpeedUp);
    const auto bench = LineBench(Family::Java);
    const QByteArray bytes = FileBytes(MaxTransferSize, 1);
    bench->Put(QStringLiteral("compiled/ehsx.jar"), bytes);

    EXPECT_TRUE(FlashTu41(bench->host));
    EXPECT_EQ(bench->modem.storedFiles().at("ehsx.jar"), bytes);
    ExpectWholeTransferReported(bench->host, QStringLiteral("ehsx.jar"), bytes.size());
}

TEST(LinePace, VelmoraWritesTheLargestFileInElevenBitCharacters)
{
    Timing::ScopedSpeedUp fast(LineSpeedUp);
    const auto bench = LineBench(Family::Script);
    bench->channel.Comm->SetStopBits(sb2_0); // a pseudo-terminal keeps no parity bit
    const QByteArray bytes = FileBytes(MaxTransferSize, 2);
    bench->Put(QStringLiteral("compiled/main.pyo"), bytes);

    EXPECT_TRUE(FlashVelmora(bench->host));
    EXPECT_TRUE(HasLines(bench->host.lines, {QStringLiteral("файл записан")}));
    EXPECT_TRUE(HasLines(bench->host.lines, {QStringLiteral("CRC ok")}));
    EXPECT_EQ(bench->modem.storedFiles().at("main.pyo"), bytes);
    ExpectWholeTransferReported(bench->host, QStringLiteral("main.pyo"), bytes.size());
}

// Below 9600 bit/s the wait after a file is bounded by the file's time at the port's own rate: at
// 1200 bit/s 20,000 bytes take 167 s, far more than the 21 s they take at 9600 plus the 90 s. The
// port counts its bytes as sent once the modem took them, as a serial port would.
TEST(LinePace, Tu41DownloadsAtASlowLinesPace)
{
    constexpr int SlowSpeedUp = 50;
    Timing::ScopedSpeedUp fast(SlowSpeedUp);
    modemsim::Options options;
    options.family = Family::Java;
    options.lineRate = 1200;
    options.lineSpeedUp = SlowSpeedUp;
    const auto bench = std::make_unique<ModemBench>(std::move(options), 1200, PortPacedByTheModem);
    const QByteArray bytes = FileBytes(20000, 6);
    bench->Put(QStringLiteral("compiled/ehsx.jar"), bytes);

    EXPECT_TRUE(FlashTu41(bench->host)) << bench->host.lines.join(u'\n').toStdString();
    ASSERT_EQ(bench->modem.storedFiles().count("ehsx.jar"), 1U);
    EXPECT_EQ(bench->modem.storedFiles().at("ehsx.jar"), bytes);
    EXPECT_EQ(bench->host.transfers.back().sent, bytes.size());
}

// The modem stops taking bytes part-way (a line held by flow control): the wait after the file
// still ends, after the file's line time and the 90 s, and so does the run.
TEST(LinePace, LineThatStopsCarryingBytesStillEndsTheRun)
{
    Timing::ScopedSpeedUp fast(LineSpeedUp);
    modemsim::Options options = LineOptions(Family::Java);
    options.faults.stallAfterBytes = 1000;
    options.rawByteTimeout = std::chrono::hours(1); // the modem waits as long as the program
    const auto bench = std::make_unique<ModemBench>(std::move(options));
    bench->Put(QStringLiteral("compiled/ehsx.jar"), FileBytes(30000, 3));

    EXPECT_FALSE(FlashTu41(bench->host));
    EXPECT_TRUE(HasLines(bench->host.lines, {QStringLiteral("TIMEOUT"), QString()}));
    EXPECT_EQ(bench->host.transfersEnded, 1);
    EXPECT_LT(bench->host.transfers.back().sent, 30000);
}

namespace {

struct TypeRun
{
    const char *dirName;
    Family family;
};

class WriteRate : public testing::TestWithParam<TypeRun>
{
};

const QByteArray ShortReplayLog = "<- 41 54 0D 0A\r\n-> 0D 0A 4F 4B 0D 0A\r\n<- 00 01 02 FF\n-> 06";

// The type's data on a modem of its family whose line starts at 9600 bit/s.
std::unique_ptr<ModemBench> TypeBench(Family Family, std::uint32_t MaxRate)
{
    modemsim::Options options = LineOptions(Family);
    options.maxRate = MaxRate;
    options.transferLogText = ShortReplayLog;
    auto bench = std::make_unique<ModemBench>(std::move(options));
    bench->Put(QStringLiteral("compiled/main.pyo"), FileBytes(20000, 4));
    bench->Put(QStringLiteral("compiled/ehsx.jar"), FileBytes(20000, 5));
    bench->Put(QStringLiteral("transfer_fw.log"), ShortReplayLog);
    return bench;
}

} // namespace

// Each family is written at 115200 bit/s when the modem takes it, and at the rate it has, with
// the refusal in the log, when it cannot go faster than 57600.
TEST_P(WriteRate, EachFamilyIsWrittenAtTheRateTheModemTakes)
{
    Timing::ScopedSpeedUp fast(LineSpeedUp);
    const TypeRun &type = GetParam();
    for (const std::uint32_t maxRate : {0u, 57600u}) {
        SCOPED_TRACE(maxRate);
        const auto bench = TypeBench(type.family, maxRate);
        bench->channel.WriteRate = 115200;
        EXPECT_TRUE(PerformProgrammingRun(bench->host, QString::fromLatin1(type.dirName)));
        const QString outcome = maxRate == 0 ? QStringLiteral("Скорость 115200 задана.")
                                             : QStringLiteral("Ошибка. Скорость 115200 не задана.");
        EXPECT_TRUE(
            HasLines(bench->host.lines,
                     {QStringLiteral("Устанавливаю скорость порта 115200 (без запоминания)."),
                      outcome, QStringLiteral("Запись данных в модем...")}));
        EXPECT_EQ(bench->channel.Comm->BaudRate(), maxRate == 0 ? 115200u : 9600u);
        switch (type.family) {
        case Family::Script:
            EXPECT_EQ(bench->modem.storedFiles().at("main.pyo"), FileBytes(20000, 4));
            break;
        case Family::Java:
            EXPECT_EQ(bench->modem.storedFiles().at("ehsx.jar"), FileBytes(20000, 5));
            break;
        default:
            EXPECT_EQ(bench->modem.replayedBlocks(), (std::vector<int>{0, 1}));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(LinePace, WriteRate,
                         testing::Values(TypeRun{"velmora", Family::Script},
                                         TypeRun{"tu41", Family::Java},
                                         TypeRun{"tc65", Family::Replay}));
