#include "HexText.h"

#include <string>

namespace {

constexpr char Space = ' ';
constexpr char HexDigits[] = "0123456789ABCDEF";

QByteArray withoutSpaces(const QByteArray &HexText)
{
    QByteArray text;
    text.reserve(HexText.size());
    for (const char c : HexText)
        if (c != Space)
            text.append(c);
    return text;
}

int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::uint8_t pairValue(char high, char low)
{
    const int h = hexDigitValue(high);
    const int l = hexDigitValue(low);
    if (h < 0 || l < 0)
        throw EConvertError(std::string("'$") + high + low + "' is not a valid integer value");
    return static_cast<std::uint8_t>(h * 16 + l);
}

// Calls store(index, byte) for each pair of the space-free text, in order.
template<typename Store> void decodePairs(const QByteArray &digits, qsizetype count, Store store)
{
    for (qsizetype k = 0; k < count; ++k)
        store(k, pairValue(digits[2 * k], digits[2 * k + 1]));
}

} // namespace

std::optional<std::int32_t> HexToBytes(std::uint8_t *Buffer, std::size_t Capacity,
                                       const QByteArray &HexText)
{
    const QByteArray digits = withoutSpaces(HexText);
    const qsizetype count = digits.size() / 2;
    if (static_cast<std::size_t>(count) > Capacity)
        return std::nullopt;
    decodePairs(digits, count, [Buffer](qsizetype k, std::uint8_t byte) { Buffer[k] = byte; });
    return static_cast<std::int32_t>(count);
}

QByteArray HexToText(const QByteArray &HexText)
{
    const QByteArray digits = withoutSpaces(HexText);
    const qsizetype count = digits.size() / 2;
    QByteArray text;
    text.reserve(count);
    decodePairs(digits, count,
                [&text](qsizetype, std::uint8_t byte) { text.append(static_cast<char>(byte)); });
    return text;
}

QByteArray TextToHex(const QByteArray &Text)
{
    QByteArray hex;
    hex.reserve(Text.size() * 3);
    for (const char c : Text) {
        const auto byte = static_cast<unsigned char>(c);
        if (!hex.isEmpty())
            hex.append(Space);
        hex.append(HexDigits[byte >> 4]).append(HexDigits[byte & 0x0F]);
    }
    return hex;
}

QByteArray StripHexLineEnds(const QByteArray &HexText)
{
    HexLineEndStripper stripper;
    stripper.Append(HexText);
    return stripper.Result();
}

void HexLineEndStripper::Append(const char *Data, qsizetype Length)
{
    for (qsizetype i = 0; i < Length; ++i) {
        const char c = Data[i];
        if (c == Space)
            continue;
        if (!hasPending) {
            pending = c;
            hasPending = true;
            continue;
        }
        hasPending = false;
        const bool lineEnd = pending == '0' && (c == 'A' || c == 'D');
        if (lineEnd)
            continue;
        if (!result.isEmpty())
            result.append(Space);
        result.append(pending).append(c);
    }
}

void HexLineEndStripper::Clear()
{
    result.clear();
    hasPending = false;
}
