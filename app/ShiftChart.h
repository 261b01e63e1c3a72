#pragma once

#include "app/ShiftRuns.h"

#include <QWidget>

#include <chrono>

// The shift's modems per slice of time, programmed and failed stacked in one bar a slice. Failed
// modems are hatched as well as red and the legend names both, so no colour has to be told apart.
class ShiftChart : public QWidget
{
    Q_OBJECT
public:
    explicit ShiftChart(QWidget *parent = nullptr);

    void setSlices(const QList<ShiftSlice> &Slices, std::chrono::minutes Slice);
    const QList<ShiftSlice> &slices() const { return shown; }

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<ShiftSlice> shown;
    std::chrono::minutes slice{10};
};
