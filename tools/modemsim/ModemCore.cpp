#include "ModemCore.h"

#include "tools/modemsim/Crc16.h"

#include <QList>

#include <algorithm>

namespace modemsim {
namespace {

using namespace std::chrono_literals;

// Replay input that is not (yet) a whole expected block is given up after this much quiet.
constexpr auto kUnmatchedInputQuiet = 500ms;
// A file larger than this is refused, as a real store of a few megabytes would.
constexpr qsizetype kMaxStoredFile = qsizetype{16} * 1024 * 1024;

// The command text up to and including the first '=', else the whole text; upper case.
QByteArray faultKey(const QByteArray &line)
{
    const qsizetype equals = line.indexOf('=');
    return (equals < 0 ? line : line.left(equals + 1)).toUpper();
}

// The command name: the text before '=' or '?', upper case.
QByteArray commandName(const QByteArray &line)
{
    qsizetype end = line.size();
    for (const char stop : {'=', '?'}) {
        const qsizetype at = line.indexOf(stop);
        if (at >= 0)
            end = std::min(end, at);
    }
    return line.left(end).toUpper();
}

// The comma-separated parameters after '=', with the quotes of quoted strings removed.
QList<QByteArray> parameters(const QByteArray &line)
{
    QList<QByteArray> values;
    const qsizetype equals = line.indexOf('=');
    if (equals < 0)
        return values;
    QByteArray current;
    bool quoted = false;
    for (const char c : line.sliced(equals + 1)) {
        if (c == '"')
            quoted = !quoted;
        else if (c == ',' && !quoted)
            values.append(std::exchange(current, {}));
        else
            current.append(c);
    }
    values.append(current);
    return values;
}

// A positive decimal size within the store's limit, or 0.
qsizetype transferSize(const QByteArray &text)
{
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok);
    return ok && value > 0 && value <= kMaxStoredFile ? static_cast<qsizetype>(value) : 0;
}

QByteArray hex4(std::uint16_t value)
{
    return QByteArray::number(value, 16).toUpper().rightJustified(4, '0');
}

template<typename Map> Map withUpperKeys(const Map &source)
{
    Map upper;
    for (const auto &[key, value] : source)
        upper[key.toUpper()] = value;
    return upper;
}

} // namespace

ModemCore::ModemCore(const Options &opts, std::vector<ReplayExchange> exchanges)
    : options(opts), replay(std::move(exchanges))
{
    for (int i = 0; i < options.lineEnds; ++i)
        frame += "\r\n";
    options.faults.errorCommands = withUpperKeys(options.faults.errorCommands);
    options.faults.failFirstN = withUpperKeys(options.faults.failFirstN);
    for (QByteArray &command : options.faults.silentCommands)
        command = command.toUpper();
}

std::vector<Output> ModemCore::receive(QByteArrayView bytes, Clock::time_point now)
{
    lastInput = now;
    input.append(bytes);
    process();
    return std::exchange(out, {});
}

std::optional<Clock::time_point> ModemCore::deadline() const
{
    // The raw time-out counts from the first byte: the program may send only after its own
    // prompt wait has run out.
    if (raw)
        return raw->bytes.isEmpty() ? std::nullopt
                                    : std::optional(lastInput + options.rawByteTimeout);
    if (understands(Family::Replay) && !input.isEmpty())
        return lastInput + kUnmatchedInputQuiet;
    return std::nullopt;
}

std::vector<Output> ModemCore::expire(Clock::time_point now)
{
    const auto due = deadline();
    if (!due || now < *due)
        return {};
    if (raw) {
        abandonRawTransfer();
    } else {
        // Not a block the log expects: whatever lines there are count as commands, the rest
        // is rejected as a real modem rejects noise.
        while (takeCommandLine()) {
        }
        if (!input.isEmpty()) {
            input.clear();
            result("ERROR");
        }
    }
    return std::exchange(out, {});
}

void ModemCore::restart()
{
    input.clear();
    skipLineFeed = false;
    echo = true;
    raw.reset();
    out.clear();
}

void ModemCore::putFile(const QByteArray &name, const QByteArray &bytes)
{
    store[name] = bytes;
    wrongCrc.erase(name);
}

bool ModemCore::understands(Family family) const
{
    return options.family == family || options.family == Family::Every;
}

void ModemCore::process()
{
    for (;;) {
        if (skipLineFeed && !input.isEmpty()) {
            if (input.front() == '\n')
                input.remove(0, 1);
            skipLineFeed = false;
        }
        if (input.isEmpty())
            return;
        if (raw) {
            takeRawBytes();
            continue;
        }
        const ReplayMatch match = matchReplay();
        if (match == ReplayMatch::Taken)
            continue;
        if (match == ReplayMatch::Partial)
            return; // the rest of the block is still on its way
        if (!takeCommandLine())
            return;
    }
}

ModemCore::ReplayMatch ModemCore::matchReplay()
{
    // The next block of the log, else its first one: a program that starts a run again, after
    // a whole replay or an aborted one, is answered again.
    for (const std::size_t candidate : {nextExchange, std::size_t{0}}) {
        if (candidate >= replay.size())
            continue;
        const QByteArray &block = replay[candidate].block;
        if (input.startsWith(block)) {
            nextExchange = candidate;
            takeReplayBlock();
            return ReplayMatch::Taken;
        }
        if (block.startsWith(input))
            return ReplayMatch::Partial;
    }
    return ReplayMatch::None;
}

void ModemCore::takeRawBytes()
{
    const qsizetype count = std::min(raw->size - raw->bytes.size(), input.size());
    raw->bytes += input.first(count);
    input.remove(0, count);
    if (raw->bytes.size() == raw->size)
        finishRawTransfer();
}

void ModemCore::takeReplayBlock()
{
    const ReplayExchange &exchange = replay[nextExchange++];
    input.remove(0, exchange.block.size());
    if (options.keepRecords)
        replayed.push_back(exchange.blockIndex);
    answer(exchange.answer);
}

bool ModemCore::takeCommandLine()
{
    const qsizetype cr = input.indexOf('\r');
    if (cr < 0)
        return false;
    const QByteArray line = input.first(cr);
    input.remove(0, cr + 1);
    skipLineFeed = true;
    handleCommand(line.sliced(commandStart(line)));
    return true;
}

// A modem hunts for the "AT" that starts a command: what came before it is line noise, such as
// the end of the previous command sent at the rate the modem has just left. A line with no "AT"
// in it is taken whole, and rejected.
qsizetype ModemCore::commandStart(const QByteArray &line)
{
    for (qsizetype at = 0; at + 1 < line.size(); ++at) {
        const QByteArrayView pair = QByteArrayView(line).sliced(at, 2);
        if (pair == "AT" || pair == "at")
            return at;
    }
    return 0;
}

void ModemCore::handleCommand(const QByteArray &rawLine)
{
    const QByteArray line = rawLine.trimmed();
    if (line.isEmpty())
        return;
    if (options.keepRecords)
        received.push_back(line);
    const QByteArray key = faultKey(line);
    const Faults &faults = options.faults;
    const bool silent = (faults.neverAnswerProbe && key == "ATE0") ||
                        std::find(faults.silentCommands.begin(), faults.silentCommands.end(),
                                  key) != faults.silentCommands.end();
    if (silent)
        return;
    if (echo)
        echoLine(rawLine);
    if (applyFaults(key))
        return;
    const QByteArray name = commandName(line);
    const bool handled = handleCommon(name, line.toUpper()) ||
                         (understands(Family::Script) && handleScript(name, line)) ||
                         (understands(Family::Java) && handleJava(name, line)) ||
                         (understands(Family::Replay) && handleReplay(name));
    if (!handled)
        result("ERROR");
}

bool ModemCore::applyFaults(const QByteArray &key)
{
    const Faults &faults = options.faults;
    if (const auto error = faults.errorCommands.find(key); error != faults.errorCommands.end()) {
        result(error->second);
        return true;
    }
    if (const auto fail = faults.failFirstN.find(key); fail != faults.failFirstN.end()) {
        if (failures[key]++ < fail->second) {
            result("ERROR");
            return true;
        }
    }
    return false;
}

bool ModemCore::handleCommon(const QByteArray &name, const QByteArray &upper)
{
    if (upper == "AT") {
        result("OK");
    } else if (upper == "ATE" || upper == "ATE0" || upper == "ATE1") {
        echo = upper == "ATE1";
        result("OK");
    } else if (upper == "AT+CGSN") {
        if (options.imei.isEmpty()) {
            result("ERROR");
        } else {
            answer(frame + options.imei + frame);
            result("OK");
        }
    } else if (name == "AT+IPR") {
        const QList<QByteArray> values = parameters(upper);
        bool ok = false;
        const std::uint32_t rate = values.size() == 1 ? values.front().toUInt(&ok) : 0;
        const bool taken = ok && (options.maxRate == 0 || rate <= options.maxRate);
        if (taken && rate > 0) // 0 asks for automatic rate detection: the line keeps its rate
            requestedRate = rate;
        result(taken ? "OK" : "ERROR");
    } else {
        return false;
    }
    return true;
}

bool ModemCore::handleScript(const QByteArray &name, const QByteArray &line)
{
    const QList<QByteArray> values = parameters(line);
    const QByteArray file = values.value(0);
    if (name == "AT#DSCRIPT") {
        result(store.erase(file) > 0 ? "OK" : "ERROR");
        wrongCrc.erase(file);
    } else if (name == "AT#WSCRIPT") {
        const qsizetype size = transferSize(values.value(1));
        if (file.isEmpty() || size == 0) {
            result("ERROR");
        } else {
            raw = RawTransfer{file, false, size, {}};
            if (!options.faults.noWritePrompt)
                answer(frame + ">>>");
        }
    } else if (name == "AT#LCSCRIPT") {
        // Without a name the store lists every file.
        const bool one = line.contains('=');
        if (one && !store.contains(file)) {
            result("ERROR");
            return true;
        }
        for (const auto &[stored, bytes] : store) {
            if (one && stored != file)
                continue;
            std::uint16_t crc = crc16Mcrf4xx(bytes);
            if (wrongCrc.contains(stored))
                crc = static_cast<std::uint16_t>(crc ^ 0x5A5A);
            result("#LCSCRIPT: \"" + stored + "\"," + QByteArray::number(bytes.size()) + ',' +
                   hex4(crc));
        }
        result("OK");
    } else if (name == "AT#ESCRIPT" || name == "AT#ENHRST" || name == "AT#STARTMODESCR") {
        result("OK");
    } else {
        return false;
    }
    return true;
}

bool ModemCore::handleJava(const QByteArray &name, const QByteArray &line)
{
    if (name == "AT^SJAM") {
        result("OK");
    } else if (name == "AT^SJDL") {
        const QList<QByteArray> values = parameters(line);
        const qsizetype size = transferSize(values.value(1));
        if (values.value(0).trimmed() != "1" || size == 0 || values.value(2).isEmpty()) {
            result("ERROR");
        } else {
            raw = RawTransfer{values.value(2), true, size, {}};
            result("CONNECT");
        }
    } else {
        return false;
    }
    return true;
}

bool ModemCore::handleReplay(const QByteArray &name)
{
    if (name != "AT^SCFG")
        return false;
    result("OK");
    return true;
}

void ModemCore::finishRawTransfer()
{
    RawTransfer done = std::move(*raw);
    raw.reset();
    if (done.java && options.faults.jdlTimeout) {
        result("JDL TIMEOUT");
        return;
    }
    store[done.name] = done.bytes;
    if (done.java) {
        result("JDL END OK");
        return;
    }
    if (++writes <= options.faults.wrongCrcWrites)
        wrongCrc.insert(done.name);
    else
        wrongCrc.erase(done.name);
    result("OK");
}

void ModemCore::abandonRawTransfer()
{
    const bool java = raw->java;
    raw.reset();
    result(java ? "JDL TIMEOUT" : "ERROR");
}

void ModemCore::answer(const QByteArray &text)
{
    out.push_back({true, text});
}

void ModemCore::result(const QByteArray &code)
{
    answer(frame + code + frame);
}

void ModemCore::echoLine(const QByteArray &line)
{
    out.push_back({false, line + '\r'});
}

} // namespace modemsim
