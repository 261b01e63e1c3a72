#include "TmyComm.h"

#include "atlink/GrowingTextSearch.h"
#include "atlink/HexText.h"
#include "atlink/PortProfile.h"
#include "atlink/Timing.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <chrono>
#include <climits>
#include <cstring>
#include <stdexcept>

// The time-out of one wait. It runs from Start until a match stops it or its interval passes;
// an interval of 0 never passes.
class TmyComm::WaitTimer
{
public:
    WaitTimer(TmyComm &Owner, std::uint32_t Interval)
    {
        const std::chrono::milliseconds scaled =
            Timing::scaled(std::chrono::milliseconds(Interval));
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(
            std::min<std::chrono::milliseconds>(scaled, std::chrono::milliseconds(INT_MAX)));
        QObject::connect(&timer, &QTimer::timeout, [this, &Owner] { Owner.WaitTimerFired(*this); });
        hasInterval = Interval > 0;
    }

    void Start()
    {
        running = true;
        if (hasInterval)
            timer.start();
    }
    void Stop()
    {
        running = false;
        timer.stop();
    }
    void MarkExpired() { expired = true; }
    bool Running() const { return running; }
    bool Expired() const { return expired; }

private:
    QTimer timer;
    bool hasInterval = false;
    bool running = false;
    bool expired = false;
};

namespace {

constexpr char Timeout[] = "TIMEOUT";

std::int32_t writableCount(std::int64_t Count)
{
    return static_cast<std::int32_t>(std::min<std::int64_t>(Count, INT32_MAX));
}

} // namespace

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
    Comm->OnError = nullptr;
    // The reader and writer threads must not outlive the component.
    if (Comm->PortOpen())
        Comm->ClosePort();
}

void TmyComm::BindPort()
{
    Comm->OnReceiveData = [this](const char *Buffer, std::uint16_t BufferLength) {
        ReceiveData(Buffer, BufferLength);
    };
    Comm->OnError = [this](std::uint32_t ErrorCode) { IgnoreCommError(ErrorCode); };
}

void TmyComm::ReceiveData(const char *Buffer, std::uint16_t BufferLength)
{
    // The text of a chunk ends at its first zero byte; the dump keeps every byte.
    Reply.append(Buffer, static_cast<qsizetype>(strnlen(Buffer, BufferLength)));
    if (BufferLength > 0)
        ReplyHex.append(TextToHex(QByteArray::fromRawData(Buffer, BufferLength))).append(' ');
}

void TmyComm::ClearReply()
{
    Reply.clear();
    ReplyHex.clear();
}

template<typename Matched> void TmyComm::WaitWhileRunning(WaitTimer &Timer, Matched matched)
{
    // The first pass only takes what is already queued; later passes sleep until something
    // happens instead of spinning.
    QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents;
    while (Timer.Running()) {
        QCoreApplication::processEvents(flags);
        flags = QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents;
        if (matched())
            Timer.Stop();
    }
    // A time-out that fired wins over an answer that came in the same pass.
    if (Timer.Expired())
        Reply = Timeout;
}

void TmyComm::SendAndWait(const char *Data, std::int64_t Count, const QByteArray &Expect1,
                          const QByteArray &Expect2, std::uint32_t Interval)
{
    if (!Comm->PortOpen())
        return;
    WaitTimer timer(*this, Interval);
    if (Count > 0) {
        ClearReply();
        Comm->WriteData(Data, writableCount(Count));
    }
    timer.Start();
    GrowingTextSearch first(Expect1);
    GrowingTextSearch second(Expect2);
    WaitWhileRunning(timer, [&] { return first.FoundIn(Reply) || second.FoundIn(Reply); });
}

void TmyComm::SendAndWaitEx(QByteArray Data, std::int64_t Count, const QByteArray &Expect1,
                            const QByteArray &Expect2, std::uint32_t Interval, bool ClearFirst)
{
    if (!Comm->PortOpen())
        return;
    GrowingTextSearch first(StripHexLineEnds(Expect1));
    GrowingTextSearch second(StripHexLineEnds(Expect2));
    WaitTimer timer(*this, Interval);
    timer.Start();
    if (Count > 0) {
        if (ClearFirst)
            ClearReply();
        // Never more than the array holds.
        Comm->WriteData(Data.constData(),
                        writableCount(std::min<std::int64_t>(Count, Data.size())));
    }
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
}

void TmyComm::IgnoreCommError(std::uint32_t ErrorCode)
{
    Q_UNUSED(ErrorCode);
}

bool TmyComm::LoadPortSettings(const QString &FileName)
{
    // A folder of that name is no profile either.
    if (!QFileInfo(FileName).isFile())
        return false;
    QFile file(FileName);
    const QByteArray content = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    if (file.error() != QFileDevice::NoError)
        throw std::runtime_error(
            QStringLiteral("Файл %1 не удается прочитать.").arg(FileName).toStdString());
    for (const QByteArray &line : ProfileLines(content))
        ApplyPortSetting(line);
    return true;
}

void TmyComm::ApplyPortSetting(const QByteArray &Line)
{
    const std::optional<PortSetting> setting = ParsePortSetting(Line);
    if (!setting)
        return;
    struct Apply
    {
        TComm32 &port;
        // The name is only kept for the next OpenPort; an open port stays as it is.
        void operator()(const PortName &name) { port.SetCommPort(name.Value); }
        void operator()(BaudRateSetting rate) { port.SetBaudRate(rate.Value); }
        void operator()(TBytesize size) { port.SetByteSize(size); }
        void operator()(TParity parity) { port.SetParity(parity); }
        void operator()(TStopBits stopBits) { port.SetStopBits(stopBits); }
        void operator()(TFlowControl flow) { port.SetFlowControl(flow); }
    };
    std::visit(Apply{*Comm}, *setting);
}

void SendCommand(TmyComm &Channel, const QByteArray &Command, const QByteArray &Expect1,
                 const QByteArray &Expect2, std::uint32_t Interval)
{
    const QByteArray line = Command + "\r\n";
    Channel.SendAndWait(line.constData(), line.size(), Expect1, Expect2, Interval);
}
