#include "TmyComm.h"

#include "atlink/GrowingTextSearch.h"
#include "atlink/HexText.h"
#include "atlink/PortProfile.h"
#include "atlink/Timing.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <climits>
#include <iterator>
#include <thread>

namespace {

// The time the line takes for `Bytes` characters in the port's character format: a start bit,
// the data bits, a parity bit where there is one, and the stop bits.
std::chrono::milliseconds LineTime(const TComm32 &Port, std::int64_t Bytes)
{
    const int dataBits = static_cast<int>(Port.ByteSize()) + 4;
    const int parityBits = Port.Parity() == pNone ? 0 : 1;
    const int stopHalfBits = Port.StopBits() == sb1_0 ? 2 : Port.StopBits() == sb1_5 ? 3 : 4;
    const std::int64_t halfBits = 2 * (1 + dataBits + parityBits) + stopHalfBits;
    const std::int64_t rate = std::max<std::int64_t>(1, Port.BaudRate());
    return std::chrono::milliseconds((Bytes * halfBits * 1000 + 2 * rate - 1) / (2 * rate));
}

std::chrono::milliseconds Bounded(std::chrono::milliseconds Nominal)
{
    return std::min<std::chrono::milliseconds>(Timing::scaled(Nominal),
                                               std::chrono::milliseconds(INT_MAX));
}

constexpr char Timeout[] = "TIMEOUT";

std::int32_t writableCount(std::int64_t Count)
{
    return static_cast<std::int32_t>(std::min<std::int64_t>(Count, INT32_MAX));
}

// While a wait wants the port's output to drain, the loop looks this often whether it has.
constexpr std::chrono::milliseconds DrainCheck(10);

// How long a wait whose time has passed gives the reader to hand over bytes that had already
// arrived. It bridges a stall of the machine, not of the modem, so no speed-up shortens it; it is
// only spent while received bytes are still on their way.
constexpr std::chrono::milliseconds ReaderCatchUpLimit(1000);

// Makes the wait's pass of the event loop return, so that the wait looks at what a timer changed.
// Qt's Windows dispatcher hands a precise timer's event over at the start of processEvents() and
// then goes on sleeping in that call, waiting for more: a wait that nothing else wakes (no answer
// coming) would never end.
void WakeWaitLoop()
{
    if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->wakeUp();
}

} // namespace

// The time-out of one wait. It runs from Start, or from the moment the port's output has drained,
// until a match stops it or its interval passes; an interval of 0 never passes.
class TmyComm::WaitTimer
{
public:
    WaitTimer(TmyComm &Owner, std::uint32_t Interval) : interval(Interval)
    {
        for (QTimer *limit : {&timer, &drainLimit}) {
            limit->setSingleShot(true);
            limit->setTimerType(Qt::PreciseTimer);
            QObject::connect(limit, &QTimer::timeout,
                             [this, &Owner] { Owner.WaitTimerFired(*this); });
        }
        timer.setInterval(Bounded(std::chrono::milliseconds(Interval)));
        drainCheck.setInterval(DrainCheck);
        QObject::connect(&drainCheck, &QTimer::timeout, WakeWaitLoop);
    }

    void Start()
    {
        running = true;
        if (interval > 0)
            timer.start();
    }
    // The interval counts from the moment everything queued on the port has left it. Until then
    // the wait is bounded by the line time of what is still to go plus the interval, so a line
    // that flow control holds still ends.
    void StartWhenSent(const TComm32 &Port)
    {
        running = true;
        awaitingOutput = true;
        if (interval > 0) {
            const std::int64_t unsent = Port.BytesQueued() - Port.BytesSent();
            drainLimit.start(Bounded(LineTime(Port, unsent) + std::chrono::milliseconds(interval)));
        }
        drainCheck.start();
        FollowOutput(Port);
    }
    void FollowOutput(const TComm32 &Port)
    {
        if (!awaitingOutput || !running || Port.BytesSent() < Port.BytesQueued())
            return;
        awaitingOutput = false;
        drainLimit.stop();
        drainCheck.stop();
        Start();
    }
    void Stop()
    {
        running = false;
        timer.stop();
        drainLimit.stop();
        drainCheck.stop();
    }
    void MarkExpired() { expired = true; }
    bool Running() const { return running; }
    bool Expired() const { return expired; }

private:
    const std::uint32_t interval;
    QTimer timer;
    QTimer drainLimit;
    QTimer drainCheck; // only wakes the wait loop to look at the port's output
    bool awaitingOutput = false;
    bool running = false;
    bool expired = false;
};

TmyComm::TmyComm() : TmyComm(std::make_unique<TComm32>()) {}

TmyComm::TmyComm(std::unique_ptr<TComm32> port) : Comm(std::move(port))
{
    BindPort();
    ClearReply();
}

TmyComm::~TmyComm()
{
    if (!Comm)
        return;
    Comm->OnReceiveData = nullptr;
    // The reader and writer threads must not outlive the component.
    if (Comm->PortOpen())
        Comm->ClosePort();
}

void TmyComm::BindPort()
{
    Comm->OnReceiveData = [this](const char *Buffer, std::uint16_t BufferLength) {
        ReceiveData(Buffer, BufferLength);
    };
}

void TmyComm::ReceiveData(const char *Buffer, std::uint16_t BufferLength)
{
    // Zero bytes (line noise, an adapter that sends one when opened) are left out of the text,
    // so that they hide nothing that follows them; the dump keeps every byte.
    std::remove_copy(Buffer, Buffer + BufferLength, std::back_inserter(Reply), '\0');
    if (BufferLength > 0)
        ReplyHex.append(TextToHex(QByteArray::fromRawData(Buffer, BufferLength))).append(' ');
}

void TmyComm::ClearReply()
{
    Reply.clear();
    ReplyHex.clear();
}

bool TmyComm::SendingAllowed() const
{
    if (Comm->HungUp() || (AbandonRequested && AbandonRequested()))
        return false;
    const bool stopRequested = StopRequested && StopRequested();
    return closingScopes > 0 || !stopRequested;
}

bool TmyComm::RefuseWait()
{
    if (SendingAllowed())
        return false;
    // A stale answer left in the reply must not pass for one to this wait.
    Reply = Timeout;
    return true;
}

template<typename Matched> void TmyComm::WaitWhileRunning(WaitTimer &Timer, Matched matched)
{
    // The first pass only takes what is already queued; later passes sleep until something
    // happens instead of spinning.
    QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents;
    bool gaveUp = false;
    bool found = false;
    while (Timer.Running()) {
        QCoreApplication::processEvents(flags);
        flags = QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents;
        Timer.FollowOutput(*Comm);
        // Giving up wins over an answer that came in the same pass: the run is ending anyway.
        if (!SendingAllowed()) {
            Timer.Stop();
            gaveUp = true;
        } else if (matched()) {
            found = true;
            Timer.Stop();
        }
    }
    if (gaveUp) {
        Reply = Timeout;
        return;
    }
    // The time-out only holds when the answer is not among the bytes received by then. A machine
    // that stalls for a moment lets the time-out fire before the reader has taken an answer that
    // has arrived, or before this thread has seen it.
    if (Timer.Expired() && !found) {
        TakeEverythingReceived();
        if (!matched())
            Reply = Timeout;
    }
}

void TmyComm::TakeEverythingReceived()
{
    QElapsedTimer waited;
    waited.start();
    QCoreApplication::processEvents();
    while (!Comm->InputDelivered() && waited.elapsed() < ReaderCatchUpLimit.count()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        QCoreApplication::processEvents();
    }
}

void TmyComm::SendAndWait(const char *Data, std::int64_t Count, const QByteArray &Expect1,
                          const QByteArray &Expect2, std::uint32_t Interval)
{
    if (RefuseWait() || !Comm->PortOpen())
        return;
    WaitTimer timer(*this, Interval);
    if (Count > 0) {
        ClearReply();
        Comm->WriteData(Data, writableCount(Count));
        timer.Start();
    } else {
        // Only waiting: the answer to bytes sent before, such as a file, which the modem can
        // only give once they have all crossed the line.
        timer.StartWhenSent(*Comm);
    }
    GrowingTextSearch first(Expect1);
    GrowingTextSearch second(Expect2);
    WaitWhileRunning(timer, [&] { return first.FoundIn(Reply) || second.FoundIn(Reply); });
}

void TmyComm::SendAndWaitEx(const QByteArray &Data, std::int64_t Count, const QByteArray &Expect1,
                            const QByteArray &Expect2, std::uint32_t Interval, bool ClearFirst)
{
    if (RefuseWait() || !Comm->PortOpen())
        return;
    GrowingTextSearch first(StripHexLineEnds(Expect1));
    GrowingTextSearch second(StripHexLineEnds(Expect2));
    WaitTimer timer(*this, Interval);
    if (Count > 0) {
        if (ClearFirst)
            ClearReply();
        // Never more than the array holds.
        Comm->WriteData(Data.constData(),
                        writableCount(std::min<std::int64_t>(Count, Data.size())));
    }
    // Blocks of raw bytes take the line long enough at low rates to count from their last byte.
    timer.StartWhenSent(*Comm);
    // The dump is normalised as it grows: only the bytes added since the last pass are read.
    HexLineEndStripper dump;
    qsizetype normalisedUpTo = 0;
    WaitWhileRunning(timer, [&] {
        if (ReplyHex.size() < normalisedUpTo) {
            dump.Clear();
            normalisedUpTo = 0;
        }
        dump.Append(ReplyHex.constData() + normalisedUpTo, ReplyHex.size() - normalisedUpTo);
        normalisedUpTo = ReplyHex.size();
        return first.FoundIn(dump.Result()) || second.FoundIn(dump.Result());
    });
}

void TmyComm::WaitTimerFired(WaitTimer &Sender)
{
    Sender.Stop();
    Sender.MarkExpired();
    WakeWaitLoop();
}

std::optional<Failure> TmyComm::LoadPortSettings(const QString &FileName)
{
    WriteRate = DefaultWriteRate;
    // A folder of that name is no profile either.
    if (!QFileInfo(FileName).isFile())
        return Failure{Failure::Kind::MissingFile, ProfileMissingText()};
    QFile file(FileName);
    const QByteArray content = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    if (file.error() != QFileDevice::NoError)
        return Failure{Failure::Kind::BadFile,
                       QCoreApplication::translate("DataFiles", "Файл %1 не удается прочитать.")
                           .arg(FileName)};
    for (const QByteArray &line : ProfileLines(content)) {
        if (auto problem = ApplyPortSetting(line))
            return problem;
    }
    return std::nullopt;
}

std::optional<Failure> TmyComm::ApplyPortSetting(const QByteArray &Line)
{
    const std::optional<PortSetting> setting = ParsePortSetting(Line);
    if (!setting)
        return std::nullopt;
    struct Apply
    {
        TmyComm &channel;
        TComm32 &port;
        // The name is only kept for the next OpenPort; an open port stays as it is.
        void operator()(const PortName &name) { port.SetCommPort(name.Value); }
        void operator()(BaudRateSetting rate) { port.SetBaudRate(rate.Value); }
        void operator()(TBytesize size) { port.SetByteSize(size); }
        void operator()(TParity parity) { port.SetParity(parity); }
        void operator()(TStopBits stopBits) { port.SetStopBits(stopBits); }
        void operator()(TFlowControl flow) { port.SetFlowControl(flow); }
        void operator()(WriteRateSetting rate) { channel.WriteRate = rate.Value; }
        void operator()(const BadWriteRate &) {} // refused above
    };
    if (const auto *bad = std::get_if<BadWriteRate>(&*setting))
        return Failure{Failure::Kind::BadFile, ProfileWriteRateRefusal(bad->Value)};
    std::visit(Apply{*this, *Comm}, *setting);
    return std::nullopt;
}

void SendCommand(TmyComm &Channel, const QByteArray &Command, const QByteArray &Expect1,
                 const QByteArray &Expect2, std::uint32_t Interval)
{
    const QByteArray line = Command + "\r\n";
    Channel.SendAndWait(line.constData(), line.size(), Expect1, Expect2, Interval);
}
