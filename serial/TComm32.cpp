#include "TComm32.h"

#include "serial/CommConstants.h"
#include "serial/DeviceControlBlock.h"
#include "serial/Notifications.h"
#include "serial/SerialPlatform.h"
#include "serial/StopEvent.h"
#include "serial/TReadThread.h"
#include "serial/TWriteThread.h"

#include <system_error>

using namespace serial;

namespace {

constexpr int ReaderPriority = 2;
constexpr int WriterPriority = 1;

// A character is still read right when the two ends' rates differ by no more than this share.
constexpr std::uint64_t RateTolerancePercent = 3;

bool RatesMatch(std::uint32_t Actual, std::uint32_t Wanted)
{
    const std::uint64_t difference = Actual > Wanted ? Actual - Wanted : Wanted - Actual;
    return difference * 100 <= std::uint64_t{Wanted} * RateTolerancePercent;
}

} // namespace

ECommsError::ECommsError(CommsFault Fault, QString Port, int OsError)
    : std::runtime_error("serial port " + Port.toStdString() + ": open failed (fault " +
                         std::to_string(static_cast<int>(Fault)) + ", OS error " +
                         std::to_string(OsError) + ")"),
      kind(Fault), portName(std::move(Port)), systemError(OsError)
{
}

struct TComm32::Private final : NotificationSink
{
    Private(TComm32 &owner, std::unique_ptr<SerialPlatform> devices)
        : q(owner), platform(std::move(devices)), notifyWindow(*this)
    {
    }

    void ReapplySettings();
    void ReapplyQueueSizes();
    void StopReader();
    void StopWriter();
    template<class Thread> std::unique_ptr<Thread> StartThread(int priority, CommsFault failure);

    void receivedData(const QByteArray &block) override;
    void hangup() override;
    void status(std::uint32_t parameter) override;
    void fireLineGroup(std::uint32_t mask, std::uint32_t lines, std::uint32_t event,
                       std::uint32_t line, const TNotifyEvent &change, const TNotifyEvent &set,
                       const TNotifyEvent &clear);
    void fire(const TNotifyEvent &handler);

    TComm32 &q;
    std::unique_ptr<SerialPlatform> platform;
    std::unique_ptr<TReadThread> reader;
    std::unique_ptr<TWriteThread> writer;
    QString commPort = TComm32::DefaultCommPort();
    std::unique_ptr<SerialDevice> portHandle;
    std::unique_ptr<StopEvent> stopEvent;
    NotificationReceiver notifyWindow;
    std::int64_t bytesQueued = 0;
    // Bytes handed to OnReceiveData, less those taken by readers before the present one: blocks
    // of a closed port still queued are delivered after the next open.
    std::int64_t bytesDelivered = 0;
    std::uint32_t rxQueue = 4096;
    std::uint32_t txQueue = 4096;
    DeviceControlBlock settings;
    QByteArray openedIdentity; // of the device of the last open, kept after the close
    bool hungUp = false;
};

TComm32::TComm32() : TComm32(systemSerialPlatform()) {}

TComm32::TComm32(std::unique_ptr<SerialPlatform> platform)
    : d(std::make_unique<Private>(*this, std::move(platform)))
{
}

// Closing here keeps the threads from posting to a receiver that is about to go away.
TComm32::~TComm32()
{
    ClosePort();
}

void TComm32::OpenPort()
{
    Open(false);
}

void TComm32::OpenSameDevice()
{
    Open(true);
}

void TComm32::Open(bool SameDevice)
{
    if (d->portHandle)
        throw ECommsError(CommsFault::AlreadyOpen, d->commPort);
    OpenResult opened = d->platform->open(d->commPort);
    if (opened.failure == OpenFailure::NotCharacterDevice)
        throw ECommsError(CommsFault::NotCharacterDevice, d->commPort, opened.osError);
    if (!opened.device)
        throw ECommsError(CommsFault::OpenFailed, d->commPort, opened.osError);
    const QByteArray identity = opened.device->identity();
    if (SameDevice && !identity.isEmpty() && !d->openedIdentity.isEmpty() &&
        identity != d->openedIdentity)
        throw ECommsError(CommsFault::OtherDevice, d->commPort);
    d->openedIdentity = identity;
    d->portHandle = std::move(opened.device);
    d->hungUp = false;

    // The device keeps its own values for everything the properties do not cover.
    DeviceControlBlock current;
    d->portHandle->getState(current);
    current.BaudRate = d->settings.BaudRate;
    current.Flags = d->settings.Flags | fBinary;
    current.ByteSize = d->settings.ByteSize;
    current.Parity = d->settings.Parity;
    current.StopBits = d->settings.StopBits;
    current.EvtChar = d->settings.EvtChar;
    d->settings = current;

    if (!d->portHandle->setState(d->settings)) {
        d->portHandle.reset();
        throw ECommsError(CommsFault::SettingsRejected, d->commPort);
    }
    d->portHandle->setupQueues(d->rxQueue, d->txQueue);

    d->stopEvent = std::make_unique<StopEvent>();
    if (!d->stopEvent->valid()) {
        d->stopEvent.reset();
        d->portHandle.reset();
        throw ECommsError(CommsFault::NoStopEvent, d->commPort);
    }
    d->reader = d->StartThread<TReadThread>(ReaderPriority, CommsFault::ReaderNotStarted);
    d->writer = d->StartThread<TWriteThread>(WriterPriority, CommsFault::WriterNotStarted);
    EscapeFunction(SETDTR);
}

template<class Thread>
std::unique_ptr<Thread> TComm32::Private::StartThread(int priority, CommsFault failure)
{
    try {
        auto thread = std::make_unique<Thread>(*portHandle, *stopEvent, notifyWindow);
        if (!thread->ready())
            throw ECommsError(failure, commPort);
        thread->start(priority);
        return thread;
    } catch (const std::system_error &error) {
        throw ECommsError(failure, commPort, error.code().value());
    } catch (const std::bad_alloc &) {
        throw ECommsError(failure, commPort);
    }
}

void TComm32::ClosePort()
{
    if (!d->portHandle)
        return;
    d->StopReader();
    d->StopWriter();
    // A hang-up still queued tells why the port was given up; it must not reach the next open.
    if (d->notifyWindow.withdrawHangups())
        d->hungUp = true;
    d->stopEvent.reset();
    d->portHandle.reset();
    d->bytesQueued = 0;
}

void TComm32::Private::StopReader()
{
    if (!reader)
        return;
    stopEvent->set();
    portHandle->purge(PurgeInput);
    reader->wait();
    bytesDelivered -= reader->bytesTaken();
    reader.reset();
}

void TComm32::Private::StopWriter()
{
    if (!writer)
        return;
    stopEvent->set();
    portHandle->purge(PurgeOutput);
    writer->wait();
    writer.reset();
}

bool TComm32::WriteData(const void *Data, std::int32_t Count)
{
    // A negative count or a missing buffer would copy memory that is not there.
    if (!d->writer || Count < 0 || (Count > 0 && !Data))
        return false;
    if (!d->writer->post(QByteArray(static_cast<const char *>(Data), Count)))
        return false;
    d->bytesQueued += Count;
    return true;
}

std::int64_t TComm32::BytesQueued() const
{
    return d->bytesQueued;
}

std::int64_t TComm32::BytesSent() const
{
    return d->writer ? d->writer->bytesSent() : 0;
}

// The driver's queue is asked first: a byte the reader takes after that was counted there, or
// arrived after the question.
bool TComm32::InputDelivered() const
{
    if (!d->portHandle || !d->reader)
        return true;
    return d->portHandle->inputPending() == 0 && d->reader->bytesTaken() == d->bytesDelivered;
}

bool TComm32::EscapeFunction(std::uint32_t Code)
{
    return d->portHandle && d->portHandle->escape(Code);
}

bool TComm32::PortOpen() const
{
    return d->portHandle != nullptr;
}

bool TComm32::HungUp() const
{
    return d->hungUp;
}

void TComm32::Private::ReapplyQueueSizes()
{
    if (portHandle)
        portHandle->setupQueues(rxQueue, txQueue);
}

void TComm32::Private::ReapplySettings()
{
    if (portHandle)
        portHandle->setState(settings);
}

QString TComm32::DefaultCommPort()
{
    return QStringLiteral("COM2");
}

QString TComm32::CommPort() const
{
    return d->commPort;
}

void TComm32::SetCommPort(const QString &Port)
{
    d->commPort = Port;
}

std::uint32_t TComm32::BaudRate() const
{
    return d->settings.BaudRate;
}

void TComm32::SetBaudRate(std::uint32_t Rate)
{
    d->settings.BaudRate = Rate;
    d->ReapplySettings();
}

bool TComm32::AcceptsBaudRate(std::uint32_t Rate)
{
    if (!d->portHandle)
        return false;
    DeviceControlBlock trial = d->settings;
    trial.BaudRate = Rate;
    DeviceControlBlock inForce = trial;
    const bool accepted = d->portHandle->setState(trial) && d->portHandle->getState(inForce) &&
                          RatesMatch(inForce.BaudRate, Rate);
    d->portHandle->setState(d->settings);
    return accepted;
}

TBytesize TComm32::ByteSize() const
{
    return static_cast<TBytesize>(d->settings.ByteSize - 4);
}

void TComm32::SetByteSize(TBytesize Size)
{
    d->settings.ByteSize = static_cast<std::uint8_t>(Size + 4);
    d->ReapplySettings();
}

TParity TComm32::Parity() const
{
    return static_cast<TParity>(d->settings.Parity);
}

void TComm32::SetParity(TParity Value)
{
    d->settings.Parity = static_cast<std::uint8_t>(Value);
    d->ReapplySettings();
}

TStopBits TComm32::StopBits() const
{
    return static_cast<TStopBits>(d->settings.StopBits);
}

void TComm32::SetStopBits(TStopBits Value)
{
    d->settings.StopBits = static_cast<std::uint8_t>(Value);
    d->ReapplySettings();
}

TFlowControl TComm32::FlowControl() const
{
    const std::uint32_t flags = d->settings.Flags;
    if ((flags & HardwareFlowBits) == HardwareFlowBits)
        return fcHardware;
    if ((flags & SoftwareFlowBits) == SoftwareFlowBits)
        return fcSoftware;
    return fcNone;
}

void TComm32::SetFlowControl(TFlowControl Value)
{
    std::uint32_t &flags = d->settings.Flags;
    switch (Value) {
    case fcNone:
        flags &= ~SoftwareFlowBits;
        flags &= ~HardwareFlowBits;
        break;
    case fcHardware:
        flags &= ~SoftwareFlowBits;
        flags |= HardwareFlowBits;
        break;
    case fcSoftware:
        flags &= ~HardwareFlowBits;
        flags |= SoftwareFlowBits;
        break;
    }
    d->ReapplySettings();
}

std::uint32_t TComm32::RxQueue() const
{
    return d->rxQueue;
}

void TComm32::SetRxQueue(std::uint32_t Size)
{
    d->rxQueue = Size;
    d->ReapplyQueueSizes();
}

std::uint32_t TComm32::TxQueue() const
{
    return d->txQueue;
}

void TComm32::SetTxQueue(std::uint32_t Size)
{
    d->txQueue = Size;
    d->ReapplyQueueSizes();
}

char TComm32::EventChar() const
{
    return d->settings.EvtChar;
}

void TComm32::SetEventChar(char Value)
{
    d->settings.EvtChar = Value;
    d->ReapplySettings();
}

// Handlers run from copies, so one may rebind or unbind itself while it runs.
void TComm32::Private::fire(const TNotifyEvent &handler)
{
    if (const TNotifyEvent call = handler)
        call(q);
}

void TComm32::Private::receivedData(const QByteArray &block)
{
    bytesDelivered += block.size();
    if (const TReceiveDataEvent call = q.OnReceiveData)
        call(block.constData(), static_cast<std::uint16_t>(block.size()));
}

void TComm32::Private::hangup()
{
    hungUp = true;
    fire(q.OnRequestHangup);
}

void TComm32::Private::status(std::uint32_t parameter)
{
    const std::uint32_t mask = parameter & 0xFFFF;
    const std::uint32_t lines = parameter >> 16;
    fire(q.OnCommEvent);
    if ((mask & EV_ERR) && reader) {
        if (const TErrorEvent call = q.OnError)
            call(reader->lastErrors());
    }
    const std::pair<std::uint32_t, const TNotifyEvent *> singles[] = {{EV_RXFLAG, &q.OnEventChar},
                                                                      {EV_BREAK, &q.OnBreak},
                                                                      {EV_TXEMPTY, &q.OnTXEMPTY},
                                                                      {EV_RX80FULL, &q.OnRX80FULL},
                                                                      {EV_PERR, &q.OnPERR}};
    for (const auto &[event, handler] : singles) {
        if (mask & event)
            fire(*handler);
    }
    fireLineGroup(mask, lines, EV_CTS, MS_CTS_ON, q.OnChangeCTS, q.OnSetCTS, q.OnClearCTS);
    fireLineGroup(mask, lines, EV_DSR, MS_DSR_ON, q.OnChangeDSR, q.OnSetDSR, q.OnClearDSR);
    fireLineGroup(mask, lines, EV_RING, MS_RING_ON, q.OnChangeRing, q.OnSetRing, q.OnClearRing);
    fireLineGroup(mask, lines, EV_RLSD, MS_RLSD_ON, q.OnChangeRLSD, q.OnSetRLSD, q.OnClearRLSD);
}

void TComm32::Private::fireLineGroup(std::uint32_t mask, std::uint32_t lines, std::uint32_t event,
                                     std::uint32_t line, const TNotifyEvent &change,
                                     const TNotifyEvent &set, const TNotifyEvent &clear)
{
    if (!(mask & event))
        return;
    fire(change);
    fire((lines & line) ? set : clear);
}
