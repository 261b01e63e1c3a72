#include "TransferProgress.h"

#include <algorithm>

namespace {

QString Kilobytes(std::int64_t Bytes)
{
    return QString::number((Bytes + 512) / 1024);
}

} // namespace

QString TransferText(const TransferProgress &Progress)
{
    QString text = Progress.name + QStringLiteral(": ") + Kilobytes(Progress.sent) +
                   QStringLiteral(" из ") + Kilobytes(Progress.total) + QStringLiteral(" КБ");
    if (Progress.bytesPerSecond > 0) {
        const std::int64_t left = std::max<std::int64_t>(0, Progress.total - Progress.sent);
        const std::int64_t seconds = (left + Progress.bytesPerSecond - 1) / Progress.bytesPerSecond;
        text += QStringLiteral(", ") + QString::number(Progress.bytesPerSecond) +
                QStringLiteral(" Б/с, осталось ") + QString::number(seconds) + QStringLiteral(" с");
    }
    return text;
}
