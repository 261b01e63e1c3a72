// Hex helpers on arbitrary text: no crash, no write past the buffer, and the piecewise
// normaliser agrees with the one-shot one wherever the text is cut.
#include "atlink/HexText.h"

#include <array>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    std::array<std::uint8_t, 2048> buffer{};
    try {
        HexToBytes(buffer.data(), buffer.size(), text);
    } catch (const EConvertError &) {
    }
    try {
        HexToText(text);
    } catch (const EConvertError &) {
    }

    const QByteArray whole = StripHexLineEnds(text);
    HexLineEndStripper pieces;
    const qsizetype cut = size ? data[0] % (text.size() + 1) : 0;
    pieces.Append(text.left(cut));
    pieces.Append(text.mid(cut));
    if (pieces.Result() != whole)
        std::abort();

    if (HexToText(TextToHex(text)) != text)
        std::abort();
    return 0;
}
