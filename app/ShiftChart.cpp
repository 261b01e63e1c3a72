#include "ShiftChart.h"

#include <QCoreApplication>
#include <QPainter>

#include <algorithm>

namespace {

const QColor ProgrammedColour(60, 170, 60);
const QColor FailedColour(210, 40, 40);

QString programmedLegend()
{
    return QCoreApplication::translate("StationWindow", "запрограммировано");
}

QString failedLegend()
{
    return QCoreApplication::translate("StationWindow", "ошибки");
}

QString sliceCaption(std::chrono::minutes Slice)
{
    return Slice >= std::chrono::hours(1)
               ? QCoreApplication::translate("StationWindow", "модемов в час")
               : QCoreApplication::translate("StationWindow", "модемов за %1 мин")
                     .arg(Slice.count());
}

QBrush failedBrush()
{
    return {FailedColour, Qt::BDiagPattern};
}

} // namespace

ShiftChart::ShiftChart(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ShiftChart"));
}

void ShiftChart::setSlices(const QList<ShiftSlice> &Slices, std::chrono::minutes Slice)
{
    shown = Slices;
    slice = Slice;
    update();
}

QSize ShiftChart::minimumSizeHint() const
{
    const QFontMetrics metrics = fontMetrics();
    return {metrics.horizontalAdvance(sliceCaption(slice) + programmedLegend() + failedLegend()) +
                8 * metrics.height(),
            6 * metrics.height()};
}

void ShiftChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QFontMetrics metrics = fontMetrics();
    const int line = metrics.height();
    painter.fillRect(rect(), palette().base());
    painter.setPen(palette().text().color());

    // The caption and the legend on the top line.
    int x = line / 2;
    const int textBase = line / 4 + metrics.ascent();
    painter.drawText(x, textBase, sliceCaption(slice));
    x += metrics.horizontalAdvance(sliceCaption(slice)) + line;
    const auto legend = [&](const QBrush &Swatch, const QString &Text) {
        const QRect box(x, line / 4 + line / 6, line * 2 / 3, line * 2 / 3);
        painter.fillRect(box, Swatch);
        painter.drawRect(box);
        x += box.width() + line / 3;
        painter.drawText(x, textBase, Text);
        x += metrics.horizontalAdvance(Text) + line;
    };
    legend(ProgrammedColour, programmedLegend());
    legend(failedBrush(), failedLegend());

    // The bars, under a scale whose top is the busiest slice, and the slices' start times below.
    const QRect plot(line * 2, line * 3 / 2, width() - line * 5 / 2, height() - line * 3);
    if (shown.isEmpty() || plot.width() <= 0 || plot.height() <= 0)
        return;
    int most = 1;
    for (const ShiftSlice &each : shown)
        most = std::max(most, each.programmed + each.failed);
    painter.drawText(QRect(0, plot.top() - line / 2, plot.left() - line / 4, line),
                     Qt::AlignRight | Qt::AlignVCenter, QString::number(most));
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    const double barWidth = static_cast<double>(plot.width()) / static_cast<double>(shown.size());
    const int labelEvery =
        std::max(1, static_cast<int>((metrics.horizontalAdvance(QStringLiteral("00:00")) + line) /
                                     barWidth) +
                        1);
    for (qsizetype index = 0; index < shown.size(); ++index) {
        const ShiftSlice &each = shown.at(index);
        const int left = plot.left() + static_cast<int>(static_cast<double>(index) * barWidth);
        const int width = std::max(1, static_cast<int>(barWidth * 0.8));
        const int good = plot.height() * each.programmed / most;
        const int bad = plot.height() * each.failed / most;
        painter.fillRect(left, plot.bottom() - good, width, good, ProgrammedColour);
        painter.fillRect(left, plot.bottom() - good - bad, width, bad, failedBrush());
        if (bad > 0)
            painter.drawRect(left, plot.bottom() - good - bad, width, bad);
        if (index % labelEvery == 0)
            painter.drawText(left, plot.bottom() + metrics.ascent() + line / 4,
                             each.start.toLocalTime().toString(QStringLiteral("HH:mm")));
    }
}
