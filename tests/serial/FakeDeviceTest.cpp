// Line events, settings records and the writer, over a device the test controls.
#include "tests/serial/FakeDevice.h"
#include "tests/common/TestSupport.h"

#include "serial/CommConstants.h"

#include <QStringList>

#include <unistd.h>

using namespace serial;

namespace {

QStringList names(const char *spaced)
{
    return QString::fromLatin1(spaced).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

class FakeDeviceTest : public LeakCheckedTest
{
protected:
    FakeDeviceTest()
        : line(std::make_shared<FakeLine>()), port(std::make_unique<FakePlatform>(line))
    {
        port.SetCommPort(QStringLiteral("FAKE"));
    }

    // Records every event the component fires, by name, in order.
    void recordEvents()
    {
        const std::pair<TNotifyEvent TComm32::*, const char *> events[] = {
            {&TComm32::OnCommEvent, "CommEvent"},   {&TComm32::OnEventChar, "EventChar"},
            {&TComm32::OnBreak, "Break"},           {&TComm32::OnTXEMPTY, "TXEMPTY"},
            {&TComm32::OnRX80FULL, "RX80FULL"},     {&TComm32::OnPERR, "PERR"},
            {&TComm32::OnChangeCTS, "ChangeCTS"},   {&TComm32::OnSetCTS, "SetCTS"},
            {&TComm32::OnClearCTS, "ClearCTS"},     {&TComm32::OnChangeDSR, "ChangeDSR"},
            {&TComm32::OnSetDSR, "SetDSR"},         {&TComm32::OnClearDSR, "ClearDSR"},
            {&TComm32::OnChangeRing, "ChangeRing"}, {&TComm32::OnSetRing, "SetRing"},
            {&TComm32::OnClearRing, "ClearRing"},   {&TComm32::OnChangeRLSD, "ChangeRLSD"},
            {&TComm32::OnSetRLSD, "SetRLSD"},       {&TComm32::OnClearRLSD, "ClearRLSD"},
            {&TComm32::OnRequestHangup, "Hangup"}};
        for (const auto &[member, name] : events) {
            port.*member = [this, event = QString::fromLatin1(name)](TComm32 &sender) {
                EXPECT_EQ(&sender, &port);
                fired << event;
            };
        }
        port.OnError = [this](std::uint32_t errors) {
            fired << QStringLiteral("Error:%1").arg(errors);
        };
    }

    // The events fired once `count` have come (or the deadline passed) and strays had a chance.
    QStringList takeEvents(qsizetype count, std::chrono::milliseconds deadline = 10s)
    {
        waitUntil([&] { return fired.size() >= count; }, deadline);
        pumpFor(30ms);
        return std::exchange(fired, {});
    }

    std::shared_ptr<FakeLine> line;
    TComm32 port;
    QStringList fired;
};

TEST_F(FakeDeviceTest, InitialLineStateIsReportedOnlyWhenALineIsOn)
{
    recordEvents();
    line->modemStatus = MS_CTS_ON | MS_DSR_ON;
    ASSERT_NO_THROW(port.OpenPort());
    EXPECT_EQ(takeEvents(5), names("CommEvent ChangeCTS SetCTS ChangeDSR SetDSR"));
    port.ClosePort();

    line->modemStatus = MS_RING_ON | MS_RLSD_ON;
    ASSERT_NO_THROW(port.OpenPort());
    EXPECT_EQ(takeEvents(5), names("CommEvent ChangeRing SetRing ChangeRLSD SetRLSD"));
    port.ClosePort();

    line->modemStatus = 0;
    ASSERT_NO_THROW(port.OpenPort());
    EXPECT_EQ(takeEvents(1, 300ms), QStringList());
    port.ClosePort();
}

TEST_F(FakeDeviceTest, DeviceEventsFireInTheirFixedOrderWithTheRingGroupAdded)
{
    recordEvents();
    ASSERT_NO_THROW(port.OpenPort());
    line->raise(EV_TXEMPTY);
    EXPECT_EQ(takeEvents(4), names("CommEvent TXEMPTY ChangeRing ClearRing"));

    line->modemStatus = MS_CTS_ON | MS_RLSD_ON;
    line->raise(WatchedEvents, CE_FRAME | CE_OVERRUN);
    EXPECT_EQ(takeEvents(15), names("CommEvent Error:10 EventChar Break TXEMPTY RX80FULL PERR "
                                    "ChangeCTS SetCTS ChangeDSR ClearDSR ChangeRing ClearRing "
                                    "ChangeRLSD SetRLSD"));

    // Unbound events are skipped, the others still run.
    port.OnCommEvent = nullptr;
    port.OnChangeRing = nullptr;
    line->raise(EV_BREAK);
    EXPECT_EQ(takeEvents(2), names("Break ClearRing"));

    // An error event handled after ClosePort has released the reader calls no OnError.
    line->raise(EV_ERR, CE_RXPARITY);
    EXPECT_EQ(takeEvents(2), names("Error:4 ClearRing"));
    line->raise(EV_ERR, CE_FRAME);
    std::this_thread::sleep_for(200ms);
    port.ClosePort();
    EXPECT_EQ(takeEvents(1), names("ClearRing"));
}

TEST_F(FakeDeviceTest, OpenMergesTheDevicesOwnSettingsAndRaisesDtr)
{
    port.SetBaudRate(57600);
    port.SetParity(pEven);
    port.SetEventChar('\n');
    port.SetFlowControl(fcHardware);
    ASSERT_NO_THROW(port.OpenPort());
    port.SetFlowControl(fcSoftware); // hands the whole record over again
    port.ClosePort();
    port.SetBaudRate(300); // only stored while closed

    ASSERT_EQ(line->states.size(), 2u);
    const DeviceControlBlock &opened = line->states[0];
    EXPECT_EQ(opened.BaudRate, 57600u);
    EXPECT_EQ(opened.ByteSize, 8);
    EXPECT_EQ(opened.Parity, 2);
    EXPECT_EQ(opened.EvtChar, '\n');
    EXPECT_EQ(opened.Flags, fBinary | HardwareFlowBits);
    EXPECT_EQ(opened.XonChar, 'Q'); // the device's own
    EXPECT_EQ(opened.XonLim, 2048);
    EXPECT_EQ(line->states[1].Flags, fBinary | SoftwareFlowBits);
    EXPECT_EQ(line->states[1].XoffChar, 'S');
    EXPECT_EQ(line->escapes, std::vector<std::uint32_t>{SETDTR});

    line->refuseStates = true;
    EXPECT_EQ(commsError([&] { port.OpenPort(); }),
              QStringLiteral("Не удалось настроить COM-порт !"));
    EXPECT_FALSE(port.PortOpen());
}

TEST_F(FakeDeviceTest, PropertiesReadBackWhatWasWritten)
{
    EXPECT_EQ(TComm32().CommPort(), QStringLiteral("COM2"));
    EXPECT_EQ(port.BaudRate(), 9600u);
    EXPECT_EQ(port.ByteSize(), sz_8);
    EXPECT_EQ(port.Parity(), pNone);
    EXPECT_EQ(port.StopBits(), sb1_0);
    EXPECT_EQ(port.EventChar(), '\0');
    port.SetByteSize(sz_7);
    port.SetParity(pSpace);
    port.SetStopBits(sb2_0);
    EXPECT_EQ(port.ByteSize(), sz_7);
    EXPECT_EQ(port.Parity(), pSpace);
    EXPECT_EQ(port.StopBits(), sb2_0);
    EXPECT_EQ(port.FlowControl(), fcNone);
    for (TFlowControl flow : {fcHardware, fcSoftware, fcNone, fcSoftware, fcHardware}) {
        port.SetFlowControl(flow);
        EXPECT_EQ(port.FlowControl(), flow);
    }
    port.SetTxQueue(100);
    EXPECT_EQ(port.RxQueue(), 4096u);
    port.SetRxQueue(200);
    EXPECT_EQ(port.TxQueue(), 100u);
}

TEST_F(FakeDeviceTest, RequestsAreWrittenCompletelyInOrderAndNeverMerged)
{
    line->writeLimit = 1000;
    ASSERT_NO_THROW(port.OpenPort());
    const QByteArray first(25000, 'a');
    const QByteArray second(3000, 'b');
    ASSERT_TRUE(port.WriteData(first.constData(), static_cast<std::int32_t>(first.size())));
    ASSERT_TRUE(port.WriteData(second.constData(), static_cast<std::int32_t>(second.size())));
    ASSERT_TRUE(port.WriteData("c", 1));
    EXPECT_EQ(line->receive(28001), first + second + "c");
    port.ClosePort();
    for (const QByteArray &write : line->writes)
        EXPECT_EQ(write.count(write.front()), write.size()) << "one write took from two requests";
}

TEST_F(FakeDeviceTest, WorkerFailuresEndOnlyThatWorkerWithOneHangupEach)
{
    Received received(port);
    ASSERT_NO_THROW(port.OpenPort());
    line->writeError = EIO;
    EXPECT_TRUE(port.WriteData("lost", 4));
    ASSERT_TRUE(waitUntil([&] { return received.hangups == 1; }));
    EXPECT_FALSE(port.WriteData("refused", 7));
    line->send("still read");
    ASSERT_TRUE(waitUntil([&] { return received.bytes == "still read"; }));

    close(std::exchange(line->peer, -1)); // unplugged
    ASSERT_TRUE(waitUntil([&] { return received.hangups == 2; }));
    EXPECT_TRUE(port.PortOpen());
    port.ClosePort();
    pumpFor(50ms);
    EXPECT_EQ(received.hangups, 2);
}

} // namespace
