#include "ModemSimulator.h"

#include "tools/modemsim/LinePace.h"
#include "tools/modemsim/ModemCore.h"
#include "tools/modemsim/PtyPair.h"
#include "tools/modemsim/PtySpeed.h"
#include "tools/modemsim/ReplyShaper.h"
#include "tools/modemsim/TransferLog.h"

#include <QFile>

#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

namespace modemsim {
namespace {

std::vector<ReplayExchange> loadReplay(const Options &options)
{
    if (options.family != Family::Replay && options.family != Family::Every)
        return {};
    if (options.transferLog.isEmpty())
        return parseTransferLog(options.transferLogText);
    QFile file(options.transferLog);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read the transfer log " +
                                 options.transferLog.toStdString());
    return parseTransferLog(file.readAll());
}

QByteArray joined(const std::vector<WireRecord> &records, WireRecord::Direction direction)
{
    QByteArray bytes;
    for (const WireRecord &entry : records) {
        if (entry.direction == direction)
            bytes += entry.bytes;
    }
    return bytes;
}

} // namespace

struct ModemSimulator::Private
{
    explicit Private(Options opts)
        : options(std::move(opts)), core(options, loadReplay(options)), shaper(options.faults),
          stopEvent(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
          controlEvent(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
    {
        if (stopEvent < 0 || controlEvent < 0)
            throw std::runtime_error(std::string("eventfd: ") + std::strerror(errno));
        powerOnAt = Clock::now() + options.powerOnDelay;
        pace.setRate(options.lineRate, options.lineSpeedUp);
        modemRate = options.lineRate;
        devicePath = pty->slavePath();
        linkTo(devicePath);
    }
    ~Private()
    {
        linkTo(QString());
        ::close(stopEvent);
        ::close(controlEvent);
    }
    Private(const Private &) = delete;
    Private &operator=(const Private &) = delete;

    void run();
    std::optional<Clock::time_point> nextWake();
    void powerUpIfDue(Clock::time_point now);
    bool readInput(Clock::time_point now); // false once the device has vanished
    std::size_t readLimit(Clock::time_point now);
    void followRateChange();
    void garbleAtAnotherRate(QByteArray &chunk) const;
    int frameBits() const;
    bool wantsInput(Clock::time_point now);
    bool stalled() const;
    void expireIfDue(Clock::time_point now);
    void schedule(const std::vector<Output> &outputs, Clock::time_point now);
    void enqueue(Clock::time_point due, const QByteArray &bytes);
    void flush(Clock::time_point now);
    void record(WireRecord::Direction direction, Clock::time_point when, const QByteArray &bytes);
    bool vanishDue() const;
    bool isAbsent() const
    {
        std::lock_guard lock(mutex);
        return absent;
    }
    void vanish();
    // Waits for the come-back delay; false when the simulator was stopped meanwhile.
    bool comeBack();
    void linkTo(const QString &device);
    // Runs Action on the simulator's thread and returns once it has run.
    void control(const std::function<void()> &Action);
    void runControl();
    void takeOff(bool Unplugged);
    void putOn(const QByteArray &Imei, const Faults &ModemFaults);

    const Options options;
    mutable std::mutex mutex;
    ModemCore core;               // guarded by mutex
    std::vector<WireRecord> wire; // guarded by mutex
    bool gone = false;            // guarded by mutex
    bool back = false;            // guarded by mutex
    QString devicePath;           // guarded by mutex
    const ReplyShaper shaper;
    std::unique_ptr<PtyPair> pty = std::make_unique<PtyPair>();
    const int stopEvent;
    const int controlEvent;
    std::mutex controlMutex;
    std::condition_variable controlDone;
    std::function<void()> pendingControl; // guarded by controlMutex
    std::thread thread;

    // Owned by the simulator's thread.
    struct Scheduled
    {
        Clock::time_point due;
        QByteArray bytes;
    };
    std::deque<Scheduled> queue;
    QByteArray writing;
    Clock::time_point powerOnAt;
    bool poweredUp = false;
    bool absent = false; // guarded by mutex: no modem on the port; input is lost
    std::atomic<std::int64_t> receivedCount{0}; // read by any thread
    LinePace pace;
    std::uint32_t modemRate = 0; // the rate the modem's own line works at; 0: not paced
};

void ModemSimulator::Private::run()
{
    for (;;) {
        if (vanishDue()) {
            vanish();
            if (!comeBack())
                return;
        }
        const auto now = Clock::now();
        int timeout = -1;
        if (const auto wake = nextWake()) {
            const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*wake - now);
            timeout = static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, wait.count()));
        }
        const short input = wantsInput(now) ? POLLIN : 0;
        std::array<pollfd, 3> fds{
            {{stopEvent, POLLIN, 0},
             {pty->master(), static_cast<short>(input | (writing.isEmpty() ? 0 : POLLOUT)), 0},
             {controlEvent, POLLIN, 0}}};
        if (poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR)
            return;
        if (fds[0].revents != 0)
            return;
        if (fds[2].revents != 0) {
            runControl();
            continue;
        }
        const auto woke = Clock::now();
        powerUpIfDue(woke);
        if (((fds[1].revents & POLLIN) != 0 || pace.busy()) && !readInput(woke)) {
            vanish();
            if (!comeBack())
                return;
            continue;
        }
        expireIfDue(woke);
        flush(Clock::now());
    }
}

std::optional<Clock::time_point> ModemSimulator::Private::nextWake()
{
    std::optional<Clock::time_point> wake;
    const auto consider = [&wake](Clock::time_point when) {
        if (!wake || when < *wake)
            wake = when;
    };
    if (!poweredUp)
        consider(powerOnAt);
    if (!queue.empty() && writing.isEmpty())
        consider(queue.front().due);
    if (pace.busy())
        consider(pace.nextDue(frameBits()));
    std::lock_guard lock(mutex);
    if (const auto due = core.deadline())
        consider(*due);
    return wake;
}

void ModemSimulator::Private::powerUpIfDue(Clock::time_point now)
{
    if (poweredUp || now < powerOnAt)
        return;
    poweredUp = true;
    if (!options.powerOnLines.isEmpty())
        enqueue(now, options.powerOnLines);
}

bool ModemSimulator::Private::readInput(Clock::time_point now)
{
    std::array<char, 65536> buffer{};
    for (;;) {
        const std::size_t limit = std::min(buffer.size(), readLimit(now));
        if (limit == 0)
            return true;
        const ssize_t count = ::read(pty->master(), buffer.data(), limit);
        if (pace.paced())
            pace.took(static_cast<std::size_t>(std::max<ssize_t>(0, count)), frameBits(),
                      count < static_cast<ssize_t>(limit));
        if (count <= 0)
            return true;
        QByteArray chunk(buffer.data(), count);
        garbleAtAnotherRate(chunk);
        if (options.faults.vanishAfterBytes && !back)
            chunk.truncate(std::min<std::int64_t>(
                chunk.size(),
                std::max<std::int64_t>(0, *options.faults.vanishAfterBytes - receivedCount)));
        receivedCount += chunk.size();
        record(WireRecord::Received, now, chunk);
        if (poweredUp && !isAbsent()) {
            std::vector<Output> outputs;
            {
                std::lock_guard lock(mutex);
                outputs = core.receive(chunk, now);
            }
            schedule(outputs, now);
            followRateChange();
        }
        if (vanishDue())
            return false;
        if (pace.paced())
            return true; // the line's allowance is used up, or nothing more waits
    }
}

// Whether to poll for input: always without a line rate; with one, while the line is quiet (to
// notice new input) or once it has delivered characters that wait to be taken.
bool ModemSimulator::Private::wantsInput(Clock::time_point now)
{
    if (stalled())
        return false;
    return !pace.paced() || !pace.busy() || pace.allowance(now, frameBits()) > 0;
}

bool ModemSimulator::Private::stalled() const
{
    return options.faults.stallAfterBytes && receivedCount >= *options.faults.stallAfterBytes;
}

// How many characters may be read now. Input that finds the line quiet starts it: its first
// character is only taken once the line has carried it.
std::size_t ModemSimulator::Private::readLimit(Clock::time_point now)
{
    if (stalled())
        return 0;
    if (pace.paced() && !pace.busy()) {
        pace.startCarrying(now);
        return 0;
    }
    std::size_t limit = pace.allowance(now, frameBits());
    if (options.faults.stallAfterBytes)
        limit = std::min<std::size_t>(
            limit, static_cast<std::size_t>(*options.faults.stallAfterBytes - receivedCount));
    return limit;
}

void ModemSimulator::Private::followRateChange()
{
    std::optional<std::uint32_t> rate;
    {
        std::lock_guard lock(mutex);
        rate = core.takeRequestedRate();
    }
    if (rate && pace.paced()) {
        pace.setRate(*rate, options.lineSpeedUp);
        modemRate = *rate;
    }
}

// Characters sent at a rate the modem does not work at arrive as other characters, none of them
// one that a command is made of. A rate the program never set (0) is not compared.
void ModemSimulator::Private::garbleAtAnotherRate(QByteArray &chunk) const
{
    if (modemRate == 0)
        return;
    const std::uint32_t programRate = programLineSpeed(pty->master());
    if (programRate == 0 || ratesAgree(programRate, modemRate))
        return;
    for (char &character : chunk)
        character = static_cast<char>(static_cast<unsigned char>(character) | 0x80U);
}

// The program's character format, which a pseudo-terminal shares between its two ends.
int ModemSimulator::Private::frameBits() const
{
    termios line{};
    if (tcgetattr(pty->master(), &line) != 0)
        return 10;
    return frameBitsOf(line.c_cflag);
}

void ModemSimulator::Private::expireIfDue(Clock::time_point now)
{
    std::vector<Output> outputs;
    {
        std::lock_guard lock(mutex);
        outputs = core.expire(now);
    }
    schedule(outputs, now);
}

void ModemSimulator::Private::schedule(const std::vector<Output> &outputs, Clock::time_point now)
{
    for (const Output &output : outputs) {
        if (!output.isAnswer) {
            enqueue(now, output.bytes);
            continue;
        }
        for (const TimedBytes &piece : shaper.shape(output.bytes))
            enqueue(now + piece.after, piece.bytes);
    }
}

void ModemSimulator::Private::enqueue(Clock::time_point due, const QByteArray &bytes)
{
    // Output keeps its order: nothing overtakes a delayed answer.
    if (!queue.empty())
        due = std::max(due, queue.back().due);
    queue.push_back({due, bytes});
}

void ModemSimulator::Private::flush(Clock::time_point now)
{
    while (!queue.empty() && queue.front().due <= now) {
        writing += queue.front().bytes;
        queue.pop_front();
    }
    while (!writing.isEmpty()) {
        const ssize_t count = ::write(pty->master(), writing.constData(), writing.size());
        if (count <= 0)
            return; // the program is not reading; POLLOUT tells when to go on
        record(WireRecord::Sent, Clock::now(), writing.first(count));
        writing.remove(0, count);
    }
}

void ModemSimulator::Private::record(WireRecord::Direction direction, Clock::time_point when,
                                     const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    const WireRecord entry{direction, when, bytes};
    if (options.keepRecords) {
        std::lock_guard lock(mutex);
        wire.push_back(entry);
    }
    if (options.wireObserver)
        options.wireObserver(entry);
}

bool ModemSimulator::Private::vanishDue() const
{
    std::lock_guard lock(mutex);
    return !gone && options.faults.vanishAfterBytes &&
           receivedCount >= *options.faults.vanishAfterBytes;
}

void ModemSimulator::Private::vanish()
{
    linkTo(QString());
    std::lock_guard lock(mutex);
    pty->close();
    devicePath.clear();
    gone = true;
}

bool ModemSimulator::Private::comeBack()
{
    if (!options.faults.comeBackAfter)
        return false;
    pollfd stop{stopEvent, POLLIN, 0};
    if (poll(&stop, 1, static_cast<int>(options.faults.comeBackAfter->count())) != 0)
        return false;
    auto fresh = std::make_unique<PtyPair>();
    queue.clear();
    writing.clear();
    {
        std::lock_guard lock(mutex);
        pty = std::move(fresh);
        core.restart();
        devicePath = pty->slavePath();
    }
    linkTo(pty->slavePath());
    // Back only once its link leads to it: a caller may open the link as soon as it hears.
    std::lock_guard lock(mutex);
    back = true;
    return true;
}

void ModemSimulator::Private::control(const std::function<void()> &Action)
{
    std::unique_lock lock(controlMutex);
    pendingControl = Action;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(controlEvent, &one, sizeof one);
    controlDone.wait(lock, [this] { return !pendingControl; });
}

void ModemSimulator::Private::runControl()
{
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t taken = ::read(controlEvent, &count, sizeof count);
    const std::lock_guard lock(controlMutex);
    if (!pendingControl)
        return;
    pendingControl();
    pendingControl = nullptr;
    controlDone.notify_all();
}

void ModemSimulator::Private::takeOff(bool Unplugged)
{
    queue.clear();
    writing.clear();
    {
        std::lock_guard lock(mutex);
        absent = true;
    }
    if (Unplugged && pty->master() >= 0)
        vanish();
}

void ModemSimulator::Private::putOn(const QByteArray &Imei, const Faults &ModemFaults)
{
    Options modem = options;
    modem.imei = Imei;
    modem.faults = ModemFaults;
    ModemCore fresh(modem, loadReplay(options));
    std::unique_ptr<PtyPair> device;
    if (pty->master() < 0)
        device = std::make_unique<PtyPair>();
    queue.clear();
    writing.clear();
    poweredUp = false;
    powerOnAt = Clock::now() + options.powerOnDelay;
    pace.setRate(options.lineRate, options.lineSpeedUp);
    modemRate = options.lineRate;
    {
        std::lock_guard lock(mutex);
        core = std::move(fresh);
        absent = false;
        if (device) {
            pty = std::move(device);
            devicePath = pty->slavePath();
            gone = false;
        }
    }
    if (pty->master() >= 0)
        linkTo(pty->slavePath());
}

void ModemSimulator::Private::linkTo(const QString &device)
{
    if (options.linkPath.isEmpty())
        return;
    const QByteArray link = QFile::encodeName(options.linkPath);
    ::unlink(link.constData());
    if (!device.isEmpty() && ::symlink(QFile::encodeName(device).constData(), link.constData()))
        std::fprintf(stderr, "cannot create the link %s\n", link.constData());
}

ModemSimulator::ModemSimulator(Options options) : d(std::make_unique<Private>(std::move(options)))
{
    d->thread = std::thread([this] { d->run(); });
}

ModemSimulator::~ModemSimulator()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(d->stopEvent, &one, sizeof one);
    d->thread.join();
}

std::int64_t ModemSimulator::bytesTaken() const
{
    return d->receivedCount.load();
}

QString ModemSimulator::devicePath() const
{
    std::lock_guard lock(d->mutex);
    return d->devicePath;
}

std::map<QByteArray, QByteArray> ModemSimulator::storedFiles() const
{
    std::lock_guard lock(d->mutex);
    return d->core.files();
}

void ModemSimulator::putFile(const QByteArray &name, const QByteArray &bytes)
{
    std::lock_guard lock(d->mutex);
    d->core.putFile(name, bytes);
}

std::vector<int> ModemSimulator::replayedBlocks() const
{
    std::lock_guard lock(d->mutex);
    return d->core.replayedBlocks();
}

std::vector<WireRecord> ModemSimulator::wire() const
{
    std::lock_guard lock(d->mutex);
    return d->wire;
}

std::vector<QByteArray> ModemSimulator::commands() const
{
    std::lock_guard lock(d->mutex);
    return d->core.commands();
}

bool ModemSimulator::vanished() const
{
    std::lock_guard lock(d->mutex);
    return d->gone;
}

bool ModemSimulator::cameBack() const
{
    std::lock_guard lock(d->mutex);
    return d->back;
}

std::map<QByteArray, QByteArray> ModemSimulator::takeModemOff(bool Unplugged)
{
    // The simulator's thread works on the heap, never on the caller's stack.
    auto stored = std::make_shared<std::map<QByteArray, QByteArray>>();
    d->control([this, stored, Unplugged] {
        *stored = storedFiles();
        d->takeOff(Unplugged);
    });
    return std::move(*stored);
}

void ModemSimulator::putModemOn(const QByteArray &Imei, const Faults &ModemFaults)
{
    d->control([this, Imei, ModemFaults] { d->putOn(Imei, ModemFaults); });
}

QByteArray ModemSimulator::received() const
{
    return joined(wire(), WireRecord::Received);
}

QByteArray ModemSimulator::sent() const
{
    return joined(wire(), WireRecord::Sent);
}

} // namespace modemsim
