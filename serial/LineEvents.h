#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <linux/serial.h>
#include <mutex>
#include <thread>

namespace serial {

// The status bits of the TIOCM_ line bits.
std::uint32_t statusOfLines(int lines);

// Collects the line events of one device: modem-line changes and line errors noticed by a small
// monitor thread (where the driver can wait for line changes), and the event character seen in
// received bytes. A descriptor polls readable while events wait to be taken.
class LineEvents
{
public:
    explicit LineEvents(int deviceDescriptor);
    ~LineEvents();
    LineEvents(const LineEvents &) = delete;
    LineEvents &operator=(const LineEvents &) = delete;

    void start();
    void stop();
    int handle() const { return descriptor; }
    std::uint32_t take();
    std::uint32_t takeErrors();
    // Called by the reader with every block it read.
    void received(const char *data, std::size_t size);
    void setEventChar(char value) { eventChar.store(value, std::memory_order_relaxed); }
    // Events noticed elsewhere (the writer's EV_TXEMPTY), handed over like the monitor's.
    void raise(std::uint32_t events, std::uint32_t errors);

private:
    void watch();
    std::uint32_t compareCounters(std::uint32_t &errors);

    const int device;
    int descriptor;
    std::atomic<char> eventChar{0};
    std::atomic<bool> armed{false};
    std::mutex lock;
    std::uint32_t pendingEvents = 0;
    std::uint32_t pendingErrors = 0;
    bool countersKnown = false;
    serial_icounter_struct counters{};

    std::thread monitor;
    std::atomic<bool> stopping{false};
    std::mutex doneLock;
    std::condition_variable doneSignal;
    bool monitorDone = false;
};

} // namespace serial
