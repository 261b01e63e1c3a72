#pragma once

#include <QProgressBar>

// A progress bar whose position always stays between 0 and its maximum: a larger position is cut
// to the maximum and a maximum set below the position lowers the position. A maximum of 0 shows
// an empty bar rather than the busy animation.
class ProgressGauge : public QProgressBar
{
    Q_OBJECT
public:
    explicit ProgressGauge(QWidget *parent = nullptr);

    void setGaugeMaximum(int maximum);
    void setGaugePosition(int position);
    int gaugePosition() const { return gaugePos; }

private:
    void display();

    int gaugeMax = 100;
    int gaugePos = 0;
};
