// Files as large as a transfer takes, over a line that carries 960 bytes a second (9600 bit/s,
// 10-bit characters) or 873 (11-bit characters): 107 s and 117 s, against the modem's 90 s and
// 120 s after a file. The simulator's line and the timing source are
// sped up alike, so the proportions are those of a real line.
#include "atlink/FileTransfer.h"
#include "atlink/Timing.h"
#include "procedures/Procedures.h"
#include "tests/procedures/ProcedureTestKit.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
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
    bench->Put(u"compiled/ehsx.jar"_s, bytes);

    EXPECT_TRUE(FlashTu41(bench->host));
    EXPECT_EQ(bench->modem.storedFiles().at("ehsx.jar"), bytes);
    ExpectWholeTransferReported(bench->host, u"ehsx.jar"_s, bytes.size());
}

TEST(LinePace, VelmoraWritesTheLargestFileInElevenBitCharacters)
{
    Timing::ScopedSpeedUp fast(LineSpeedUp);
    const auto bench = LineBench(Family::Script);
    bench->channel.Comm->SetStopBits(sb2_0); // a pseudo-terminal keeps no parity bit
    const QByteArray bytes = FileBytes(MaxTransferSize, 2);
    bench->Put(u"compiled/main.pyo"_s, bytes);

    EXPECT_TRUE(FlashVelmora(bench->host));
    EXPECT_TRUE(HasLines(bench->host.lines, {u"файл записан"_s}));
    EXPECT_TRUE(HasLines(bench->host.lines, {u"CRC ok"_s}));
    EXPECT_EQ(bench->modem.storedFiles().at("main.pyo"), bytes);
    ExpectWholeTransferReported(bench->host, u"main.pyo"_s, bytes.size());
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
    bench->Put(u"compiled/ehsx.jar"_s, FileBytes(30000, 3));

    EXPECT_FALSE(FlashTu41(bench->host));
    EXPECT_TRUE(HasLines(bench->host.lines, {u"TIMEOUT"_s, QString()}));
    EXPECT_EQ(bench->host.transfersEnded, 1);
    EXPECT_LT(bench->host.transfers.back().sent, 30000);
}
