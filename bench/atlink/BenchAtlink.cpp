// Figures of the AT command channel: what a silent wait costs, how matching on the hex dump scales
// with the bytes received, and how soon a wait returns after the modem's last byte.
#include "atlink/HexText.h"
#include "atlink/TmyComm.h"
#include "bench/common/BenchSupport.h"
#include "tests/atlink/PtyModem.h"

#include <QCoreApplication>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

void openOver(TmyComm &channel, const PtyModem &modem)
{
    channel.Comm->SetCommPort(modem.DevicePath());
    channel.Comm->OpenPort();
}

void silentWait()
{
    PtyModem modem;
    TmyComm channel;
    openOver(channel, modem);
    const Clock::time_point start = Clock::now();
    const double thread0 = threadCpuSeconds();
    const double process0 = cpuSeconds();
    channel.SendAndWait(nullptr, 0, "OK", "", 10000);
    const double wall = seconds(Clock::now() - start);
    std::printf("silent 10 s SendAndWait: %.2f s wall, CPU %.3f %% of a core (waiting thread), "
                "%.3f %% (whole process, port threads included)\n",
                wall, 100 * (threadCpuSeconds() - thread0) / wall,
                100 * (cpuSeconds() - process0) / wall);
    channel.Comm->ClosePort();
}

// 1 MB of reply in 1 KB chunks, one chunk per pass of the event loop, then the expected bytes.
class ChunkFeeder
{
public:
    static constexpr qsizetype Total = 1 << 20;
    static constexpr qsizetype Chunk = 1024;

    explicit ChunkFeeder(TmyComm &channel)
    {
        QByteArray text;
        while (text.size() < Chunk)
            text += "+CREG: 1,\"00C3\"\r\n";
        text.truncate(Chunk);
        QObject::connect(&timer, &QTimer::timeout, [this, &channel, text] {
            if (sent < Total) {
                channel.ReceiveData(text.constData(), std::uint16_t(Chunk));
                sent += Chunk;
            } else {
                channel.ReceiveData("\r\nOK\r\n", 6);
                timer.stop();
            }
        });
        timer.start(0);
    }

private:
    QTimer timer;
    qsizetype sent = 0;
};

double incrementalMatch(TmyComm &channel)
{
    channel.ClearReply();
    ChunkFeeder feeder(channel);
    const Clock::time_point start = Clock::now();
    channel.SendAndWaitEx({}, 0, TextToHex("OK"), "", 0, false);
    return seconds(Clock::now() - start);
}

// The same wait re-normalising the whole dump in every pass.
double naiveMatch(TmyComm &channel)
{
    channel.ClearReply();
    ChunkFeeder feeder(channel);
    const QByteArray expected = StripHexLineEnds(TextToHex("OK"));
    const Clock::time_point start = Clock::now();
    QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents;
    while (!StripHexLineEnds(channel.ReplyHex).contains(expected)) {
        QCoreApplication::processEvents(flags);
        flags |= QEventLoop::WaitForMoreEvents;
    }
    return seconds(Clock::now() - start);
}

void hexMatching()
{
    PtyModem modem;
    TmyComm channel;
    openOver(channel, modem);
    const double incremental = incrementalMatch(channel);
    const double naive = naiveMatch(channel);
    std::printf("SendAndWaitEx, 1 MB in 1 KB chunks before the answer: %.3f s incremental, "
                "%.3f s re-normalising every pass, ratio %.1f\n",
                incremental, naive, naive / incremental);
    channel.Comm->ClosePort();
}

void replyLatency()
{
    constexpr int Rounds = 200;
    PtyModem modem;
    TmyComm channel;
    openOver(channel, modem);
    std::atomic<Clock::rep> lastByte{0};
    std::atomic<bool> stop{false};
    std::thread modemSide([&] {
        while (!stop) {
            if (!modem.ReadUntil("\n", 200ms).endsWith('\n'))
                continue;
            lastByte = Clock::now().time_since_epoch().count();
            modem.Write("\r\nOK\r\n");
        }
    });
    std::vector<double> latencies;
    for (int i = 0; i < Rounds; ++i) {
        SendCommand(channel, "AT", "OK\r\n", "", 5000);
        const Clock::time_point returned = Clock::now();
        if (channel.Reply == "TIMEOUT")
            continue;
        latencies.push_back(
            seconds(returned - Clock::time_point(Clock::duration(lastByte.load()))));
    }
    stop = true;
    modemSide.join();
    channel.Comm->ClosePort();
    std::sort(latencies.begin(), latencies.end());
    if (latencies.empty()) {
        std::printf("reply latency: no answer\n");
        return;
    }
    std::printf("modem's last byte to SendAndWait returning: median %.3f ms, 90th percentile "
                "%.3f ms (%zu rounds)\n",
                1e3 * latencies[latencies.size() / 2], 1e3 * latencies[latencies.size() * 9 / 10],
                latencies.size());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    silentWait();
    hexMatching();
    replyLatency();
    return 0;
}
