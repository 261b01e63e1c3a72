#pragma once

#include "tools/modemsim/ModemSimulator.h"
#include "tools/modemsim/TransferLog.h"

#include <QByteArray>

#include <chrono>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace modemsim {

using Clock = std::chrono::steady_clock;

// One piece of output: the echo goes out at once, answers pass through the answer faults.
struct Output
{
    bool isAnswer = true;
    QByteArray bytes;
};

// What the modem does with the bytes it receives, without any I/O: commands, raw transfers and
// replayed blocks in, echo and answers out.
class ModemCore
{
public:
    ModemCore(const Options &opts, std::vector<ReplayExchange> exchanges);

    std::vector<Output> receive(QByteArrayView bytes, Clock::time_point now);
    // When expire() is due: a raw transfer or unfinished input that has gone quiet.
    std::optional<Clock::time_point> deadline() const;
    std::vector<Output> expire(Clock::time_point now);

    const std::map<QByteArray, QByteArray> &files() const { return store; }
    void putFile(const QByteArray &name, const QByteArray &bytes);
    // The modem starts afresh, as after its device was plugged back: unfinished input and raw
    // transfers are dropped and the echo is on again; stored files stay.
    void restart();
    const std::vector<int> &replayedBlocks() const { return replayed; }
    const std::vector<QByteArray> &commands() const { return received; }
    // The rate the last accepted "AT+IPR=<rate>" asked for, once; no value when none came since.
    std::optional<std::uint32_t> takeRequestedRate() { return std::exchange(requestedRate, {}); }

private:
    struct RawTransfer
    {
        QByteArray name;
        bool java = false; // ends in "JDL END OK" rather than "OK"
        qsizetype size = 0;
        QByteArray bytes;
    };

    bool understands(Family family) const;
    void process();
    void takeRawBytes();
    void takeReplayBlock();
    bool takeCommandLine();
    static qsizetype commandStart(const QByteArray &line);
    void handleCommand(const QByteArray &line);
    bool applyFaults(const QByteArray &key);
    bool handleCommon(const QByteArray &name, const QByteArray &upper);
    bool handleScript(const QByteArray &name, const QByteArray &line);
    bool handleJava(const QByteArray &name, const QByteArray &line);
    bool handleReplay(const QByteArray &name);
    void finishRawTransfer();
    void abandonRawTransfer();
    enum class ReplayMatch
    {
        Taken,
        Partial,
        None
    };
    ReplayMatch matchReplay();

    void answer(const QByteArray &text);
    void result(const QByteArray &code);
    void echoLine(const QByteArray &line);

    Options options;
    QByteArray frame;
    std::vector<ReplayExchange> replay;
    std::size_t nextExchange = 0;

    QByteArray input;
    bool skipLineFeed = false;
    bool echo = true;
    std::optional<RawTransfer> raw;
    Clock::time_point lastInput{};

    std::map<QByteArray, QByteArray> store;
    std::set<QByteArray> wrongCrc;
    int writes = 0;
    std::map<QByteArray, int> failures;
    std::vector<QByteArray> received;
    std::vector<int> replayed;
    std::vector<Output> out;
    std::optional<std::uint32_t> requestedRate;
};

} // namespace modemsim
