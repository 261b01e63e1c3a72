#include "ProgressGauge.h"

#include <algorithm>

ProgressGauge::ProgressGauge(QWidget *parent) : QProgressBar(parent)
{
    setTextVisible(false);
    display();
}

void ProgressGauge::setGaugeMaximum(int maximum)
{
    gaugeMax = std::max(0, maximum);
    gaugePos = std::min(gaugePos, gaugeMax);
    display();
}

void ProgressGauge::setGaugePosition(int position)
{
    gaugePos = std::clamp(position, 0, gaugeMax);
    display();
}

void ProgressGauge::display()
{
    setRange(0, std::max(1, gaugeMax));
    setValue(gaugePos);
}
