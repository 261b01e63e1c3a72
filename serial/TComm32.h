#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>

namespace serial {
class SerialPlatform;
} // namespace serial

// Line settings; the ordinals are the indices of the port dialog's lists and are stored as such.
enum TBytesize
{
    sz_4,
    sz_5,
    sz_6,
    sz_7,
    sz_8
};
enum TParity
{
    pNone,
    pOdd,
    pEven,
    pMark,
    pSpace
};
enum TStopBits
{
    sb1_0,
    sb1_5,
    sb2_0
};
enum TFlowControl
{
    fcNone,
    fcHardware,
    fcSoftware
};

// Why OpenPort failed. The engine names the cause and its facts; the layers above put them into
// the user's words (atlink/CommsErrorText.h).
enum class CommsFault
{
    AlreadyOpen,        // the component has a device open already
    NotCharacterDevice, // the name leads to a file that is no serial device
    OpenFailed,         // the device is missing, busy or forbidden
    SettingsRejected,   // the device refused the line settings
    NoStopEvent,        // the workers' stop event could not be made
    ReaderNotStarted,
    WriterNotStarted,
    OtherDevice // the name now leads to another device than at the port's last open
};

// The one error type OpenPort raises. what() is a line for the developer's output, in English.
class ECommsError : public std::runtime_error
{
public:
    ECommsError(CommsFault Fault, QString Port, int OsError = 0);
    CommsFault fault() const { return kind; }
    const QString &port() const { return portName; }
    int osError() const { return systemError; } // errno or GetLastError(); 0 when none said

private:
    CommsFault kind;
    QString portName;
    int systemError;
};

class TComm32;

using TReceiveDataEvent = std::function<void(const char *Buffer, std::uint16_t BufferLength)>;
using TNotifyEvent = std::function<void(TComm32 &Sender)>;
using TErrorEvent = std::function<void(std::uint32_t ErrorCode)>;

// Owns one serial device: opens it exclusively, applies the line settings, runs a reader and a
// writer thread, and turns what they report into events on the thread that created the component.
class TComm32
{
public:
    TComm32();
    // For tests: a platform layer with a fake device in place of the real one.
    explicit TComm32(std::unique_ptr<serial::SerialPlatform> platform);
    ~TComm32();
    TComm32(const TComm32 &) = delete;
    TComm32 &operator=(const TComm32 &) = delete;

    // Opens and configures the device and starts the reader and writer; raises ECommsError when
    // it cannot, with the port closed again (or, when it was open already, left as it was).
    void OpenPort();
    // Opens the port again on the device of its last open, as after a change of rate in the
    // middle of a run. A name may have come to lead elsewhere meanwhile (an adapter's name or
    // link reused for the next modem): then it raises ECommsError with CommsFault::OtherDevice, the
    // other device left untouched and the port closed. Where a device has no identity it opens by
    // name.
    void OpenSameDevice();
    void ClosePort();
    bool WriteData(const void *Data, std::int32_t Count);
    bool EscapeFunction(std::uint32_t Code);

    bool PortOpen() const;
    // Whether a worker thread has failed since the last OpenPort: the device has most likely gone
    // (unplugged, or the far end of a pseudo-terminal closed). Kept after ClosePort, so that a
    // caller still learns why the port was given up; the next OpenPort clears it.
    bool HungUp() const;
    // Bytes WriteData has queued since the port opened, and how many of them have left the port:
    // written to the device and gone from its output buffer. Equal once the output has drained
    // (OnTXEMPTY fires then); both 0 while the port is closed.
    std::int64_t BytesQueued() const;
    std::int64_t BytesSent() const;
    // Whether every byte the device has received by now has reached OnReceiveData: none waits in
    // the driver, none is held by the reader or queued for this thread. A thread that has been
    // held up (a loaded machine) may find the reader behind; it processes its events until this
    // holds. True while the port is closed.
    bool InputDelivered() const;

    QString CommPort() const;
    void SetCommPort(const QString &Port);
    // The port a new component names before anything chose one.
    static QString DefaultCommPort();
    std::uint32_t BaudRate() const;
    void SetBaudRate(std::uint32_t Rate);
    // Whether the open device can run at Rate: it is tried and the present settings are put back
    // at once, so the idle line sees no byte. A driver that takes the request but runs at another
    // rate (the nearest its clock allows) counts as refusing it when that rate is too far off for
    // the far end to read. False while the port is closed.
    bool AcceptsBaudRate(std::uint32_t Rate);
    TBytesize ByteSize() const;
    void SetByteSize(TBytesize Size);
    TParity Parity() const;
    void SetParity(TParity Value);
    TStopBits StopBits() const;
    void SetStopBits(TStopBits Value);
    TFlowControl FlowControl() const;
    void SetFlowControl(TFlowControl Value);
    std::uint32_t RxQueue() const;
    void SetRxQueue(std::uint32_t Size);
    std::uint32_t TxQueue() const;
    void SetTxQueue(std::uint32_t Size);
    char EventChar() const;
    void SetEventChar(char Value);

    TReceiveDataEvent OnReceiveData;
    TNotifyEvent OnRequestHangup;
    TNotifyEvent OnCommEvent;
    TErrorEvent OnError;
    TNotifyEvent OnBreak, OnChangeCTS, OnChangeDSR, OnPERR, OnChangeRing, OnChangeRLSD, OnRX80FULL,
        OnTXEMPTY, OnSetCTS, OnSetDSR, OnSetRing, OnSetRLSD, OnClearCTS, OnClearDSR, OnClearRing,
        OnClearRLSD, OnEventChar;

private:
    void Open(bool SameDevice);

    struct Private;
    std::unique_ptr<Private> d;
};
