#pragma once

#include "atlink/EConvertError.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <optional>

// Hex text on input: spaces (code 32 only) are ignored anywhere, the rest read in pairs, a final
// unpaired digit dropped. On output: upper-case pairs separated by single spaces.

// Writes the bytes into Buffer and returns their number; no value, and nothing written, when the
// text holds more than Capacity bytes. Raises EConvertError for a pair that is not hexadecimal.
std::optional<std::int32_t> HexToBytes(std::uint8_t *Buffer, std::size_t Capacity,
                                       const QByteArray &HexText);
QByteArray HexToText(const QByteArray &HexText);
QByteArray TextToHex(const QByteArray &Text);
// Normalises hex text for comparison: pairs joined by single spaces, the pairs "0A" and "0D" left
// out (upper case only). Any two characters count as a pair.
QByteArray StripHexLineEnds(const QByteArray &HexText);

// StripHexLineEnds over a text that arrives in pieces: the result after any number of Append calls
// equals StripHexLineEnds of everything appended, at a cost linear in the appended length.
class HexLineEndStripper
{
public:
    void Append(const char *Data, qsizetype Length);
    void Append(const QByteArray &HexText) { Append(HexText.constData(), HexText.size()); }
    const QByteArray &Result() const { return result; }
    void Clear();

private:
    QByteArray result;
    char pending = 0; // first character of a pair whose second has not come yet
    bool hasPending = false;
};
