#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <vector>

namespace modemsim {

// One block the program will send during a replay and what the modem answers to it.
struct ReplayExchange
{
    int blockIndex = 0; // 0-based among all "<-" lines of the log
    QByteArray block;   // the bytes of the last "<-" line before a "->" line
    QByteArray answer;  // the bytes of that "->" line and of any "->" lines right after it
};

// Reads a transfer log the way the program replays it: "<-" lines load a pending block (a later
// one replaces an earlier one), a "->" line sends the pending block and expects its bytes; a "->"
// line with nothing pending sends nothing, so its bytes belong to the answer of the block before.
// Lines end at LF (a CR before it is dropped); characters 1-2 are the marker, 3 is ignored, the
// rest is hex pairs with spaces anywhere. A pair that is not hexadecimal ends the payload.
std::vector<ReplayExchange> parseTransferLog(QByteArrayView text);

// The bytes of a payload of hex pairs; spaces are ignored, an odd last digit is dropped.
QByteArray hexPayloadBytes(QByteArrayView payload);

} // namespace modemsim
