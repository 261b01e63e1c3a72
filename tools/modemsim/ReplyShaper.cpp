#include "ReplyShaper.h"

#include <algorithm>

namespace modemsim {
namespace {

// Line noise: no CR, LF or letters, so it never completes a result code by accident.
constexpr char kGarbage[] = "\xA5\x7F#~\x1B";

} // namespace

ReplyShaper::ReplyShaper(const Faults &faults)
    : delay(faults.answerDelay), garbage(faults.garbage), zeroBytes(faults.zeroBytes),
      pieces(faults.splitReplies), pause(faults.splitPause)
{
}

std::vector<TimedBytes> ReplyShaper::shape(QByteArray answer) const
{
    if (garbage)
        answer.prepend(kGarbage);
    if (zeroBytes) {
        answer.prepend('\0');
        answer.append('\0');
    }
    const qsizetype count = std::clamp<qsizetype>(pieces, 1, std::max<qsizetype>(1, answer.size()));
    std::vector<TimedBytes> out;
    qsizetype start = 0;
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype end = answer.size() * (i + 1) / count;
        out.push_back({delay + pause * i, answer.mid(start, end - start)});
        start = end;
    }
    return out;
}

} // namespace modemsim
