// Figures of the serial engine over pseudo-terminal pairs: throughput next to a plain read loop,
// delivery latency, and the CPU an idle open port costs.
#include "bench/common/BenchSupport.h"
#include "serial/TComm32.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <pty.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr long long TransferBytes = 64LL * 1024 * 1024;

struct Pty
{
    Pty()
    {
        char name[256] = {};
        openpty(&master, &slave, name, nullptr, nullptr);
        path = QString::fromLocal8Bit(name);
        termios raw{};
        tcgetattr(slave, &raw);
        cfmakeraw(&raw);
        tcsetattr(slave, TCSANOW, &raw);
    }
    ~Pty()
    {
        close(master);
        close(slave);
    }
    int master = -1;
    int slave = -1;
    QString path;
};

void writeAll(int descriptor, long long total)
{
    std::vector<char> chunk(65536, 'x');
    long long sent = 0;
    while (sent < total) {
        const ssize_t n = write(descriptor, chunk.data(),
                                static_cast<std::size_t>(std::min<long long>(65536, total - sent)));
        if (n > 0)
            sent += n;
        else if (n < 0 && errno != EINTR && errno != EAGAIN)
            return;
    }
}

double seconds(Clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

double plainLoopRate()
{
    Pty pty;
    const auto start = Clock::now();
    std::thread writer(writeAll, pty.master, TransferBytes);
    std::vector<char> buffer(32768);
    long long received = 0;
    while (received < TransferBytes) {
        pollfd wait{pty.slave, POLLIN, 0};
        poll(&wait, 1, -1);
        const ssize_t n = read(pty.slave, buffer.data(), buffer.size());
        if (n > 0)
            received += n;
    }
    const double elapsed = seconds(Clock::now() - start);
    writer.join();
    return static_cast<double>(TransferBytes) / elapsed;
}

// An open component on a fresh pty, the loop that waits for it, and a handler that may end it.
struct OpenedPty
{
    explicit OpenedPty(std::function<bool(std::uint16_t)> endsWait)
    {
        port.SetCommPort(pty.path);
        port.OnReceiveData = [this, endsWait](const char *, std::uint16_t length) {
            if (endsWait(length))
                loop.quit();
        };
        port.OpenPort();
    }
    ~OpenedPty() { port.ClosePort(); }
    Pty pty;
    TComm32 port;
    QEventLoop loop;
};

double componentRate()
{
    long long received = 0;
    OpenedPty open([&](std::uint16_t length) { return (received += length) >= TransferBytes; });
    const auto start = Clock::now();
    std::thread writer(writeAll, open.pty.master, TransferBytes);
    open.loop.exec();
    const double elapsed = seconds(Clock::now() - start);
    writer.join();
    return static_cast<double>(TransferBytes) / elapsed;
}

void latency()
{
    Clock::time_point arrived;
    OpenedPty open([&](std::uint16_t) {
        arrived = Clock::now();
        return true;
    });
    std::vector<double> samples;
    for (int i = 0; i < 1000; ++i) {
        std::this_thread::sleep_for(3ms);
        const auto sent = Clock::now();
        QTimer::singleShot(0, &open.loop, [&] { (void)!write(open.pty.master, "x", 1); });
        open.loop.exec();
        samples.push_back(std::chrono::duration<double, std::milli>(arrived - sent).count());
    }
    std::sort(samples.begin(), samples.end());
    std::printf("latency write -> OnReceiveData: median %.3f ms, p99 %.3f ms (1000 single bytes)\n",
                samples[samples.size() / 2], samples[samples.size() * 99 / 100]);
}

void idleCpu()
{
    OpenedPty open([](std::uint16_t) { return false; });
    QTimer::singleShot(5000, Qt::PreciseTimer, &open.loop, &QEventLoop::quit);
    const double before = cpuSeconds();
    const auto start = Clock::now();
    open.loop.exec();
    const double used = cpuSeconds() - before;
    const double elapsed = seconds(Clock::now() - start);
    std::printf("idle open port: %.3f %% of one core over %.1f s\n", 100.0 * used / elapsed,
                elapsed);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // Alternating rounds, so that other load on the machine hits both sides alike.
    std::vector<double> ratios;
    for (int round = 1; round <= 5; ++round) {
        const double plain = plainLoopRate();
        const double component = componentRate();
        ratios.push_back(component / plain);
        std::printf(
            "throughput over a pty, round %d: TComm32 %.1f MB/s, plain read loop %.1f MB/s, "
            "ratio %.2f (%lld MB each)\n",
            round, component / 1e6, plain / 1e6, component / plain, TransferBytes / (1024 * 1024));
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf("throughput ratio, median of %zu rounds: %.2f\n", ratios.size(),
                ratios[ratios.size() / 2]);
    latency();
    idleCpu();
    return 0;
}
