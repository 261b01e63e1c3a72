#include "WireText.h"

#include <windows.h>

// The system's own Windows-1251 tables: this Qt is built without the converters that know it.
namespace {
constexpr UINT WireCodePage = 1251;
}

QString fromWire(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return {};
    const int length = MultiByteToWideChar(WireCodePage, 0, bytes.constData(),
                                           static_cast<int>(bytes.size()), nullptr, 0);
    QString text(length, Qt::Uninitialized);
    MultiByteToWideChar(WireCodePage, 0, bytes.constData(), static_cast<int>(bytes.size()),
                        reinterpret_cast<wchar_t *>(text.data()), length);
    return text;
}

QByteArray toWire(const QString &text)
{
    if (text.isEmpty())
        return {};
    const auto *wide = reinterpret_cast<const wchar_t *>(text.utf16());
    const int length = WideCharToMultiByte(WireCodePage, 0, wide, static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    QByteArray bytes(length, Qt::Uninitialized);
    WideCharToMultiByte(WireCodePage, 0, wide, static_cast<int>(text.size()), bytes.data(), length,
                        nullptr, nullptr);
    return bytes;
}
