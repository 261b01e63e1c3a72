#include "TransferProgress.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

QString Kilobytes(std::int64_t Bytes)
{
    return QString::number((Bytes + 512) / 1024);
}

} // namespace

QString TransferText(const TransferProgress &Progress)
{
    const QString sent = Kilobytes(Progress.sent);
    const QString total = Kilobytes(Progress.total);
    if (Progress.bytesPerSecond <= 0)
        return QCoreApplication::translate("Procedures", "%1: %2 из %3 КБ")
            .arg(Progress.name, sent, total);
    const std::int64_t left = std::max<std::int64_t>(0, Progress.total - Progress.sent);
    const std::int64_t seconds = (left + Progress.bytesPerSecond - 1) / Progress.bytesPerSecond;
    return QCoreApplication::translate("Procedures", "%1: %2 из %3 КБ, %4 Б/с, осталось %5 с")
        .arg(Progress.name, sent, total, QString::number(Progress.bytesPerSecond),
             QString::number(seconds));
}
