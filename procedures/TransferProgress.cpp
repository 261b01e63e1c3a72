#include "TransferProgress.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QString Kilobytes(std::int64_t Bytes)
{
    return QString::number((Bytes + 512) / 1024);
}

} // namespace

QString TransferText(const TransferProgress &Progress)
{
    QString text = Progress.name + u": "_s + Kilobytes(Progress.sent) + u" из "_s +
                   Kilobytes(Progress.total) + u" КБ"_s;
    if (Progress.bytesPerSecond > 0) {
        const std::int64_t left = std::max<std::int64_t>(0, Progress.total - Progress.sent);
        const std::int64_t seconds = (left + Progress.bytesPerSecond - 1) / Progress.bytesPerSecond;
        text += u", "_s + QString::number(Progress.bytesPerSecond) + u" Б/с, осталось "_s +
                QString::number(seconds) + u" с"_s;
    }
    return text;
}
