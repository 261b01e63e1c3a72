#pragma once

#include <QByteArray>
#include <QString>

// The modem and the data files speak Windows-1251; the user reads QString. These are the only
// places where one becomes the other.
QString fromWire(const QByteArray &bytes);
QByteArray toWire(const QString &text);
