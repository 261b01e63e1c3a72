// Wall time of a whole programming run per family against the simulator, next to the time the
// run cannot go below; the program's peak memory during a run of 100 files; the largest download
// over a line-paced modem at 9600 and at 115200 bit/s, next to its line time; and whole runs of
// each family over such a modem written at 9600 and at 115200 bit/s, side by side. "line-pace" as
// the only argument runs the downloads alone, "write-rate" the side-by-side runs alone.
#include "atlink/Timing.h"
#include "atlink/TmyComm.h"
#include "procedures/Procedures.h"
#include "procedures/ProgrammingRun.h"
#include "tools/modemsim/ModemSimulator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

using Clock = std::chrono::steady_clock;

namespace {

// The rate a modem's line starts at, as after power-on with the profile's rate.
constexpr std::uint32_t StartRate = 9600;
constexpr std::uint32_t FastRate = 115200;

// The time a line at Rate bit/s takes for Bytes characters with a start and a stop bit.
double LineMilliseconds(qsizetype Bytes, std::uint32_t Rate)
{
    return static_cast<double>(Bytes) * 10.0 * 1000.0 / Rate;
}

class QuietHost : public RunHost
{
public:
    QuietHost(TmyComm &Channel, QString DirPath) : channel(Channel), dirPath(std::move(DirPath)) {}
    void LogLine(const QString &) override { QCoreApplication::processEvents(); }
    void SetGaugeMaximum(int Maximum) override { maximum = Maximum; }
    void SetGaugePosition(int Position) override { position = std::min(Position, maximum); }
    int GaugePosition() const override { return position; }
    QStringList ListFolder(const QString &Folder) override { return ListPlainFiles(Folder); }
    QString SelectedDirPath() const override { return dirPath; }
    bool QuitRequested() const override { return false; }
    void ShowErrorBox(const QString &) override {}
    TmyComm &Channel() override { return channel; }
    void SetStatus(const QString &Text) override { LogLine(Text); }
    void ProbeFinished() override {}
    void WritingStarted() override {}

private:
    TmyComm &channel;
    QString dirPath;
    int maximum = 0;
    int position = 0;
};

void Write(const QString &Path, const QByteArray &Bytes)
{
    QFile file(Path);
    if (!file.open(QIODevice::WriteOnly) || file.write(Bytes) != Bytes.size())
        throw std::runtime_error("cannot write " + Path.toStdString());
}

QByteArray Content(qsizetype Size, int Seed)
{
    QByteArray bytes(Size, Qt::Uninitialized);
    for (qsizetype i = 0; i < Size; ++i)
        bytes[i] = static_cast<char>((i * 31 + Seed) & 0xFF);
    return bytes;
}

void PutFiles(const QString &Folder, const std::vector<qsizetype> &Sizes)
{
    QDir(Folder).mkpath(QStringLiteral("compiled"));
    for (std::size_t i = 0; i < Sizes.size(); ++i) {
        const QString name = QStringLiteral("/compiled/f%1.bin").arg(i, 3, 10, QLatin1Char('0'));
        Write(Folder + name, Content(Sizes[i], static_cast<int>(i)));
    }
}

// A transfer log of Exchanges blocks of BlockSize bytes, each answered "OK"; the last one is the
// escape "+++" that the replay waits 3 s before.
QByteArray TransferLog(int Exchanges, int BlockSize)
{
    QByteArray log;
    for (int i = 0; i + 1 < Exchanges; ++i)
        log += "<- " + Content(BlockSize, i + 1).toHex(' ').toUpper() + "\r\n-> 4F 4B\r\n";
    return log + "<- 2B 2B 2B\r\n-> 4F 4B\r\n";
}

// Opens the channel on the device and waits for the probe's answer, as the window does.
void Connect(TmyComm &Channel, const QString &Device)
{
    Channel.Comm->SetCommPort(Device);
    Channel.Comm->OpenPort();
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (!ProbeAnswered(Channel)) {
        if (Clock::now() > deadline)
            throw std::runtime_error("the modem does not answer the probe");
        SendProbe(Channel);
        QThread::msleep(50);
        QCoreApplication::processEvents();
    }
}

qsizetype WireBytes(const modemsim::ModemSimulator &Modem)
{
    return Modem.received().size() + Modem.sent().size();
}

struct Family
{
    const char *type;
    modemsim::Family family;
    std::chrono::milliseconds pauses; // the pauses the run prescribes for this content
    std::function<void(const QString &Folder)> prepare;
};

// A modem of the run's family for the data in Folder.
modemsim::Options ModemFor(const Family &Run, const QTemporaryDir &Folder)
{
    modemsim::Options options;
    options.family = Run.family;
    if (Run.family == modemsim::Family::Replay)
        options.transferLog = Folder.filePath(QStringLiteral("transfer_fw.log"));
    return options;
}

void TimeRun(const Family &Run)
{
    QTemporaryDir folder;
    Run.prepare(folder.path());
    modemsim::ModemSimulator modem(ModemFor(Run, folder));
    TmyComm channel;
    Connect(channel, modem.devicePath());
    QuietHost host(channel, folder.path());
    const qsizetype before = WireBytes(modem);
    const auto start = Clock::now();
    const bool written = PerformProgrammingRun(host, QString::fromLatin1(Run.type));
    const std::chrono::duration<double, std::milli> wall = Clock::now() - start;
    const qsizetype bytes = WireBytes(modem) - before;
    const double lineMs = LineMilliseconds(bytes, StartRate);
    const double floor = static_cast<double>(Run.pauses.count());
    std::printf("%-8s %-5s wall %8.0f ms  pauses %6.0f ms  ratio %.4f  (%lld bytes on the wire: "
                "%.0f ms at 9600 bit/s, so %.0f ms on a real line)\n",
                Run.type, written ? "ok" : "FAIL", wall.count(), floor, wall.count() / floor,
                static_cast<long long>(bytes), lineMs, floor + lineMs);
}

long PeakKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// The simulator as a process of its own; its log of the wire goes to a file.
class ExternalModem
{
public:
    ExternalModem(const char *FamilyName, const QString &Scratch)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QUILLON_PORTS_DIR"), Scratch);
        process.setProcessEnvironment(environment);
        const QString output = Scratch + QStringLiteral("/modem.log");
        process.setStandardOutputFile(output);
        process.start(QString::fromUtf8(QUILLON_MODEMSIM),
                      {QStringLiteral("--family"), QString::fromLatin1(FamilyName)});
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (device.isEmpty() && Clock::now() < deadline) {
            QThread::msleep(20);
            QFile log(output);
            if (!log.open(QIODevice::ReadOnly))
                continue;
            const QByteArray first = log.readLine();
            if (first.startsWith("device ") && first.endsWith('\n'))
                device = QString::fromUtf8(first.mid(7).trimmed());
        }
        if (device.isEmpty())
            throw std::runtime_error("the simulator did not start");
    }
    ~ExternalModem()
    {
        process.terminate();
        process.waitForFinished(5000);
    }
    ExternalModem(const ExternalModem &) = delete;
    ExternalModem &operator=(const ExternalModem &) = delete;

    QString device;

private:
    QProcess process;
};

// Notes when a file's bytes are queued and when the wait for the modem's answer to them ends.
class TransferClock : public QuietHost
{
public:
    using QuietHost::QuietHost;
    void ShowTransfer(const TransferProgress &Progress) override
    {
        if (Progress.sent == 0 && !queued)
            queued = Clock::now();
    }
    void TransferEnded() override { answered = Clock::now(); }

    std::optional<Clock::time_point> queued;
    Clock::time_point answered;
};

// The largest Java download at Rate in real time, the modem's line starting at 9600 bit/s: its
// wall time from queuing the bytes to seeing the modem's answer, against the line time of the
// bytes; and how long after the modem took the last byte its answer was seen.
void LinePacedDownload(std::uint32_t Rate)
{
    QTemporaryDir folder;
    constexpr qsizetype Size = 102399;
    QDir(folder.path()).mkpath(QStringLiteral("compiled"));
    Write(folder.filePath(QStringLiteral("compiled/ehsx.jar")), Content(Size, 7));
    modemsim::Options options;
    options.family = modemsim::Family::Java;
    options.lineRate = StartRate;
    modemsim::ModemSimulator modem(options);
    TmyComm channel;
    channel.Comm->SetBaudRate(StartRate);
    Connect(channel, modem.devicePath());
    TransferClock host(channel, folder.path());
    SetModemBaud(host, Rate);
    const bool written = channel.Comm->BaudRate() == Rate && FlashTu41(host);
    // The modem's last byte of the file: the last it received before it answered the download.
    Clock::time_point lastByte{};
    Clock::time_point answerSent{};
    for (const modemsim::WireRecord &record : modem.wire()) {
        if (record.direction == modemsim::WireRecord::Sent && record.bytes.contains("JDL END")) {
            answerSent = record.when;
            break;
        }
        if (record.direction == modemsim::WireRecord::Received)
            lastByte = record.when;
    }
    if (!written || !host.queued)
        throw std::runtime_error("the download at " + std::to_string(Rate) + " bit/s failed");
    using Milliseconds = std::chrono::duration<double, std::milli>;
    const Milliseconds wall = host.answered - *host.queued;
    const double lineMs = LineMilliseconds(Size, Rate);
    std::printf("tu41     %lld bytes at %6u bit/s: wall %6.0f ms, line time %6.0f ms, ratio "
                "%.4f; last byte taken -> answer seen %.2f ms (the modem's answer written after "
                "%.2f ms, seen %.2f ms after that)\n",
                static_cast<long long>(Size), Rate, wall.count(), lineMs, wall.count() / lineMs,
                Milliseconds(host.answered - lastByte).count(),
                Milliseconds(answerSent - lastByte).count(),
                Milliseconds(host.answered - answerSent).count());
}

// A whole run, from the modem's answer to the outcome, over a modem whose line starts at
// 9600 bit/s, written at Rate; its wall time in milliseconds.
double LinePacedRun(const Family &Run, std::uint32_t Rate)
{
    QTemporaryDir folder;
    Run.prepare(folder.path());
    modemsim::Options options = ModemFor(Run, folder);
    options.lineRate = StartRate;
    modemsim::ModemSimulator modem(options);
    TmyComm channel;
    channel.Comm->SetBaudRate(StartRate);
    channel.WriteRate = Rate;
    Connect(channel, modem.devicePath());
    QuietHost host(channel, folder.path());
    const auto start = Clock::now();
    if (!PerformProgrammingRun(host, QString::fromLatin1(Run.type)))
        throw std::runtime_error(std::string(Run.type) + " failed at " + std::to_string(Rate) +
                                 " bit/s");
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void CompareWriteRates(const Family &Run)
{
    const double slow = LinePacedRun(Run, StartRate);
    const double fast = LinePacedRun(Run, FastRate);
    std::printf("%-8s at %u bit/s %8.0f ms, at %u bit/s %8.0f ms: %.2f times shorter\n", Run.type,
                StartRate, slow, FastRate, fast, slow / fast);
}

void PeakOfHundredFiles(const char *Type, const char *FamilyName)
{
    QTemporaryDir folder;
    PutFiles(folder.path(), std::vector<qsizetype>(100, 102399));
    ExternalModem modem(FamilyName, folder.path());
    TmyComm channel;
    Connect(channel, modem.device);
    QuietHost host(channel, folder.path());
    const long before = PeakKilobytes();
    const bool written = PerformProgrammingRun(host, QString::fromLatin1(Type));
    std::printf("%-8s %-5s 100 files of 102399 bytes: peak %ld kB (%ld kB before the run)\n", Type,
                written ? "ok" : "FAIL", PeakKilobytes(), before);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const auto threeFiles = [](const QString &Folder) { PutFiles(Folder, {20000, 50000, 102399}); };
    using namespace std::chrono_literals;
    const std::vector<Family> runs = {
        // Preamble 300 + 300 + 5000, per file 500 + 200 + 500, finish 100 + 100.
        {"velmora", modemsim::Family::Script, 5600ms + 3 * 1200ms + 200ms, threeFiles},
        // Three opening commands at 300, per file 200 + 100, two closing commands at 300.
        {"tu41", modemsim::Family::Java, 900ms + 3 * 300ms + 600ms, threeFiles},
        // 200 before autostart off, 200 before each of 19 blocks, 3000 before "+++", 5 x 100.
        {"tc65", modemsim::Family::Replay, 200ms + 19 * 200ms + 3000ms + 500ms,
         [](const QString &Folder) {
             Write(Folder + QStringLiteral("/transfer_fw.log"), TransferLog(20, 1024));
         }},
    };
    try {
        const QByteArray only = argc == 2 ? QByteArray(argv[1]) : QByteArray();
        if (only.isEmpty() || only == "line-pace") {
            std::printf("The largest download over a line-paced modem, in real time:\n");
            LinePacedDownload(StartRate);
            LinePacedDownload(FastRate);
        }
        if (only.isEmpty() || only == "write-rate") {
            std::printf("Whole runs over a line-paced modem, in real time, written at the rate the "
                        "line starts at and at %u bit/s:\n",
                        FastRate);
            for (const Family &run : runs)
                CompareWriteRates(run);
        }
        if (!only.isEmpty())
            return 0;
        std::printf("Whole runs in real time (the pty does not throttle, so the floor is the "
                    "prescribed pauses):\n");
        for (const Family &run : runs)
            TimeRun(run);
        // The pauses are no part of the memory figure: time runs 20 times faster here.
        Timing::ScopedSpeedUp fast(20);
        std::printf("Peak memory (VmHWM), the modem in its own process:\n");
        PeakOfHundredFiles("velmora", "script");
        PeakOfHundredFiles("tu41", "java");
    } catch (const std::exception &error) {
        std::fprintf(stderr, "bench_procedures: %s\n", error.what());
        return 1;
    }
    return 0;
}
