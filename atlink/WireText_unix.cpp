#include "WireText.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {
constexpr const char *WireEncoding = "windows-1251";
}

QString fromWire(const QByteArray &bytes)
{
    QStringDecoder decoder(WireEncoding);
    return decoder.decode(bytes);
}

QByteArray toWire(const QString &text)
{
    QStringEncoder encoder(WireEncoding);
    return encoder.encode(text);
}
