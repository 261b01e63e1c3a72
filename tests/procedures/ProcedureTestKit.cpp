#include "ProcedureTestKit.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

void FakeHost::LogLine(const QString &Text)
{
    lines.append(Text);
    if (!quitOnLine.isEmpty() && Text == quitOnLine)
        quit = true;
    QCoreApplication::processEvents();
}

void FakeHost::SetGaugeMaximum(int Maximum)
{
    gaugeMaximum = Maximum;
    gaugePosition = std::min(gaugePosition, Maximum);
}

void FakeHost::SetGaugePosition(int Position)
{
    gaugePosition = std::min(Position, gaugeMaximum);
    if (gaugePosition == quitAtGauge)
        quit = true;
}

ModemBench::ModemBench(modemsim::Options Options, std::uint32_t BaudRate)
    : modem(std::move(Options)), host(channel, folder.path())
{
    QDir(folder.path()).mkdir(QStringLiteral("compiled"));
    channel.Comm->SetCommPort(modem.devicePath());
    channel.Comm->SetBaudRate(BaudRate);
    EXPECT_TRUE(channel.Comm->OpenPort());
    // The modem may still be starting: probe again until it answers, as a run does.
    EXPECT_TRUE(waitUntil([this] {
        SendProbe(channel);
        return waitUntil([this] { return ProbeAnswered(channel); }, 200ms);
    }));
}

ModemBench::~ModemBench()
{
    channel.Comm->ClosePort();
}

void ModemBench::Put(const QString &RelativePath, const QByteArray &Bytes) const
{
    QFile file(folder.filePath(RelativePath));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(Bytes);
}

std::vector<QByteArray> ModemBench::Commands() const
{
    std::vector<QByteArray> all = modem.commands();
    std::erase(all, QByteArrayLiteral("ATE0"));
    return all;
}

std::unique_ptr<ModemBench> MakeBench(modemsim::Family Family, modemsim::Faults Faults,
                                      QByteArray TransferLog)
{
    modemsim::Options options;
    options.family = Family;
    options.faults = std::move(Faults);
    options.transferLogText = std::move(TransferLog);
    return std::make_unique<ModemBench>(std::move(options));
}

testing::AssertionResult HasLines(const QStringList &Log, const QStringList &Run)
{
    for (qsizetype at = 0; at + Run.size() <= Log.size(); ++at) {
        if (Log.mid(at, Run.size()) == Run)
            return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "log:\n" << Log.join(u'\n').toStdString();
}

QString Exchange(const QString &Command, const QString &Answer)
{
    return Command + QStringLiteral(" >> \r\n") + Answer + QStringLiteral("\r\n");
}

QByteArray FileBytes(int Size, char Seed)
{
    QByteArray bytes(Size, Qt::Uninitialized);
    for (int i = 0; i < Size; ++i) {
        const char value = static_cast<char>(Seed + i * 7);
        bytes[i] = value == '\r' ? 'x' : value;
    }
    return bytes;
}
