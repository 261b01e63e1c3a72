#include "TransferLog.h"

#include <cctype>
#include <optional>

namespace modemsim {
QByteArray hexPayloadBytes(QByteArrayView payload)
{
    QByteArray digits;
    for (const char c : payload) {
        if (c != ' ')
            digits.append(c);
    }
    const auto isHex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    qsizetype valid = 0;
    while (valid + 1 < digits.size() && isHex(digits[valid]) && isHex(digits[valid + 1]))
        valid += 2;
    return QByteArray::fromHex(digits.first(valid));
}

std::vector<ReplayExchange> parseTransferLog(QByteArrayView text)
{
    std::vector<ReplayExchange> exchanges;
    std::optional<QByteArray> pending;
    int blocks = 0;
    while (!text.isEmpty()) {
        const qsizetype end = text.indexOf('\n');
        QByteArrayView line = end < 0 ? text : text.first(end);
        text = end < 0 ? QByteArrayView() : text.sliced(end + 1);
        if (line.endsWith('\r'))
            line.chop(1);
        const QByteArrayView marker = line.first(std::min<qsizetype>(2, line.size()));
        const QByteArrayView payload = line.size() > 3 ? line.sliced(3) : QByteArrayView();
        if (marker == "<-") {
            pending = hexPayloadBytes(payload);
            ++blocks;
        } else if (marker == "->") {
            // An empty block sends nothing, so what is expected then still answers the last one.
            if (pending && !pending->isEmpty())
                exchanges.push_back({blocks - 1, *pending, hexPayloadBytes(payload)});
            else if (!exchanges.empty())
                exchanges.back().answer += hexPayloadBytes(payload);
            pending.reset();
        }
    }
    return exchanges;
}

} // namespace modemsim
