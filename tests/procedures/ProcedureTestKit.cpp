#include "ProcedureTestKit.h"

#include "atlink/Timing.h"
#include "serial/SerialPlatform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <optional>
#include <set>

FakeHost::FakeHost(TmyComm &Channel, QString DirPath)
    : channel(Channel), dirPath(std::move(DirPath))
{
    budget.setSingleShot(true);
    QObject::connect(&budget, &QTimer::timeout, [this] {
        overdue = true;
        ADD_FAILURE() << "the run is still going " << RunBudget.count()
                      << " s after the test started; its last line: "
                      << (lines.isEmpty() ? std::string("(none)") : lines.last().toStdString());
    });
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        TestStarted() + RunBudget - std::chrono::steady_clock::now());
    budget.start(std::max(left, std::chrono::milliseconds(0)));
}

void FakeHost::LogLine(const QString &Text)
{
    lines.append(Text);
    const auto requestQuit = [this] {
        quit = true;
        quitAt = std::chrono::steady_clock::now();
    };
    // A procedure that retries a file for ever (the script family has no bound of its own) is
    // asked to stop, so that the test fails at once, its log showing why, instead of hanging.
    const QString attempt = QStringLiteral("Попытка №");
    if (Text.startsWith(attempt) && Text.mid(attempt.size()).toInt() > MaxAttempts)
        requestQuit();
    if (!quitOnLine.isEmpty() && Text == quitOnLine && quitDelay.count() > 0)
        QTimer::singleShot(quitDelay, requestQuit);
    else if (!quitOnLine.isEmpty() && Text == quitOnLine)
        requestQuit();
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

ModemBench::ModemBench(modemsim::Options Options, std::uint32_t BaudRate,
                       std::unique_ptr<TComm32> Port)
    : ModemBench(std::move(Options), BaudRate,
                 [&Port](const modemsim::ModemSimulator &) { return std::move(Port); })
{
}

ModemBench::ModemBench(modemsim::Options Options, std::uint32_t BaudRate, const PortMaker &MakePort)
    : modem(std::move(Options)), channel(MakePort(modem)), host(channel, folder.path())
{
    QDir(folder.path()).mkdir(QStringLiteral("compiled"));
    channel.Comm->SetCommPort(modem.devicePath());
    channel.Comm->SetBaudRate(BaudRate);
    EXPECT_NO_THROW(channel.Comm->OpenPort());
    // The modem may still be starting: probe again until it answers, as a run does.
    EXPECT_TRUE(waitUntil([this] {
        SendProbe(channel);
        return waitUntil([this] { return ProbeAnswered(channel); }, 200ms);
    }));
    // A procedure run on its own ends its waits too once the run is overdue.
    channel.StopRequested = [this] { return host.Overdue(); };
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

namespace {

// A device of the pseudo-terminals that a test changes in one respect.
class ForwardingDevice : public serial::SerialDevice
{
public:
    explicit ForwardingDevice(std::unique_ptr<serial::SerialDevice> Device)
        : device(std::move(Device))
    {
    }

    bool getState(serial::DeviceControlBlock &settings) override
    {
        return device->getState(settings);
    }
    bool setState(const serial::DeviceControlBlock &settings) override
    {
        return device->setState(settings);
    }
    bool setupQueues(std::uint32_t rxQueue, std::uint32_t txQueue) override
    {
        return device->setupQueues(rxQueue, txQueue);
    }
    bool escape(std::uint32_t code) override { return device->escape(code); }
    void purge(std::uint32_t what) override { device->purge(what); }
    int readDescriptor() const override { return device->readDescriptor(); }
    int writeDescriptor() const override { return device->writeDescriptor(); }
    ssize_t read(char *buffer, std::size_t size) override { return device->read(buffer, size); }
    ssize_t write(const char *data, std::size_t size) override { return device->write(data, size); }
    std::size_t outputPending() override { return device->outputPending(); }
    std::size_t inputPending() override { return device->inputPending(); }
    QByteArray identity() const override { return device->identity(); }
    void reportOutputEmpty() override { device->reportOutputEmpty(); }
    void startEvents() override { device->startEvents(); }
    void stopEvents() override { device->stopEvents(); }
    int eventDescriptor() const override { return device->eventDescriptor(); }
    std::uint32_t takeEvents() override { return device->takeEvents(); }
    bool clearErrors(std::uint32_t &errors) override { return device->clearErrors(errors); }
    std::uint32_t modemStatus() override { return device->modemStatus(); }

private:
    std::unique_ptr<serial::SerialDevice> device;
};

// Opens the pseudo-terminals and hands each device to `wrap`.
class WrappingPlatform : public serial::SerialPlatform
{
public:
    using Wrap =
        std::function<std::unique_ptr<serial::SerialDevice>(std::unique_ptr<serial::SerialDevice>)>;
    explicit WrappingPlatform(Wrap Wrapper) : wrap(std::move(Wrapper)) {}
    serial::OpenResult open(const QString &port) override
    {
        serial::OpenResult opened = system->open(port);
        if (opened.device)
            opened.device = wrap(std::move(opened.device));
        return opened;
    }

private:
    std::unique_ptr<serial::SerialPlatform> system = serial::systemSerialPlatform();
    const Wrap wrap;
};

// Everything as the pseudo-terminal does it, but the rate.
class TopRateDevice : public ForwardingDevice
{
public:
    TopRateDevice(std::unique_ptr<serial::SerialDevice> Device, std::uint32_t TopRate,
                  FasterRate Faster)
        : ForwardingDevice(std::move(Device)), topRate(TopRate), faster(Faster)
    {
    }

    bool setState(const serial::DeviceControlBlock &settings) override
    {
        if (settings.BaudRate <= topRate)
            return ForwardingDevice::setState(settings);
        if (faster == FasterRate::Refused)
            return false;
        serial::DeviceControlBlock atTheTop = settings;
        atTheTop.BaudRate = topRate;
        return ForwardingDevice::setState(atTheTop);
    }

private:
    const std::uint32_t topRate;
    const FasterRate faster;
};

// What the program wrote waits for the line until the modem has taken it.
class ModemPacedDevice : public ForwardingDevice
{
public:
    ModemPacedDevice(std::unique_ptr<serial::SerialDevice> Device,
                     const modemsim::ModemSimulator &Modem)
        : ForwardingDevice(std::move(Device)), modem(Modem), takenBefore(Modem.bytesTaken())
    {
    }

    ssize_t write(const char *data, std::size_t size) override
    {
        const ssize_t count = ForwardingDevice::write(data, size);
        if (count > 0)
            written += count;
        return count;
    }
    std::size_t outputPending() override
    {
        const std::int64_t taken = modem.bytesTaken() - takenBefore;
        return static_cast<std::size_t>(std::max<std::int64_t>(0, written - taken));
    }

private:
    const modemsim::ModemSimulator &modem;
    const std::int64_t takenBefore;
    std::atomic<std::int64_t> written{0};
};

} // namespace

std::unique_ptr<TComm32> PortPacedByTheModem(const modemsim::ModemSimulator &Modem)
{
    return std::make_unique<TComm32>(
        std::make_unique<WrappingPlatform>([&Modem](std::unique_ptr<serial::SerialDevice> Device) {
            return std::make_unique<ModemPacedDevice>(std::move(Device), Modem);
        }));
}

std::unique_ptr<TComm32> PortWithTopRate(std::uint32_t TopRate, FasterRate Faster)
{
    return std::make_unique<TComm32>(std::make_unique<WrappingPlatform>(
        [TopRate, Faster](std::unique_ptr<serial::SerialDevice> Device) {
            return std::make_unique<TopRateDevice>(std::move(Device), TopRate, Faster);
        }));
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

testing::AssertionResult PausedBefore(const modemsim::ModemSimulator &Modem,
                                      const std::vector<CommandPause> &Pauses)
{
    std::set<std::size_t> seen;
    std::optional<std::chrono::steady_clock::time_point> previous;
    testing::AssertionResult result = testing::AssertionSuccess();
    for (const modemsim::WireRecord &record : Modem.wire()) {
        if (record.direction != modemsim::WireRecord::Received)
            continue;
        const auto entry =
            std::find_if(Pauses.begin(), Pauses.end(), [&record](const CommandPause &Pause) {
                return record.bytes.startsWith(Pause.command);
            });
        if (previous && entry != Pauses.end()) {
            seen.insert(static_cast<std::size_t>(entry - Pauses.begin()));
            const auto gap = record.when - *previous;
            if (gap < Timing::scaled(entry->pause)) {
                result = testing::AssertionFailure();
                result << record.bytes.toStdString() << " came "
                       << std::chrono::duration_cast<std::chrono::milliseconds>(gap).count()
                       << " ms after the piece before it; ";
            }
        }
        previous = record.when;
    }
    for (std::size_t at = 0; at < Pauses.size(); ++at) {
        if (!seen.contains(at)) {
            result = testing::AssertionFailure();
            result << Pauses[at].command.toStdString() << " never came; ";
        }
    }
    return result;
}

std::vector<std::chrono::milliseconds> GapsBefore(const modemsim::ModemSimulator &Modem,
                                                  const QByteArray &Command)
{
    std::vector<std::chrono::milliseconds> gaps;
    std::optional<std::chrono::steady_clock::time_point> previous;
    for (const modemsim::WireRecord &record : Modem.wire()) {
        if (record.direction != modemsim::WireRecord::Received)
            continue;
        if (previous && record.bytes.startsWith(Command))
            gaps.push_back(
                std::chrono::duration_cast<std::chrono::milliseconds>(record.when - *previous));
        previous = record.when;
    }
    return gaps;
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

void MakePipe(const QString &Path)
{
    ASSERT_EQ(mkfifo(QFile::encodeName(Path).constData(), 0600), 0);
}
