#include "PortProfile.h"

#include "atlink/WireText.h"
#include "atlink/WriteRate.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <initializer_list>
#include <utility>

namespace {

constexpr char EndOfFile = 26; // Ctrl-Z

// Strips every character with a code of 32 or less from both ends.
QByteArray stripped(QByteArrayView text)
{
    const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text.toByteArray();
}

// Stripped as above, then lower-cased (ASCII): keys and words are case-insensitive.
QByteArray normalised(QByteArrayView text)
{
    return stripped(text).toLower();
}

// The port as the profile writes it: a Windows name in capitals (com3 is COM3, the spelling every
// tool shows), any other name, a device path above all, in its own letters, so that a message
// names the port the technician wrote and a link's name keeps its case.
QString profilePortName(QByteArrayView value)
{
    const QString name = fromWire(stripped(value));
    static const QRegularExpression windowsName(QStringLiteral("^com\\d+$"),
                                                QRegularExpression::CaseInsensitiveOption);
    return windowsName.match(name).hasMatch() ? name.toUpper() : name;
}

std::optional<std::uint32_t> decimal(const QByteArray &value)
{
    bool ok = false;
    const std::uint32_t number = value.toUInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return number;
}

std::optional<PortSetting> byteSize(const QByteArray &value)
{
    const std::optional<std::uint32_t> bits = decimal(value);
    // TBytesize covers 4 to 8 data bits; anything else has no meaning for the line.
    if (!bits || *bits < 4 || *bits > 8)
        return std::nullopt;
    return static_cast<TBytesize>(*bits - 4);
}

// The setting a word stands for; any other word means `plain`.
template<typename Setting>
Setting choice(const QByteArray &value, Setting plain,
               std::initializer_list<std::pair<const char *, Setting>> words)
{
    for (const auto &[word, setting] : words)
        if (value == word)
            return setting;
    return plain;
}

} // namespace

QString ProfileMissingText()
{
    return QCoreApplication::translate(
        "DataFiles",
        "Файл upload.ini не обнаружен или испорчен. Настройки СОМ-порта взяты по умолчанию.");
}

QList<QByteArray> ProfileLines(const QByteArray &Content)
{
    const qsizetype end = Content.indexOf(EndOfFile);
    const QByteArray text = end < 0 ? Content : Content.left(end);
    if (text.isEmpty())
        return {};
    QList<QByteArray> lines = text.split('\n');
    if (text.endsWith('\n'))
        lines.removeLast();
    return lines;
}

std::optional<PortSetting> ParsePortSetting(const QByteArray &Line)
{
    const qsizetype equals = Line.indexOf('=');
    if (equals < 0)
        return std::nullopt;
    const QByteArray key = normalised(QByteArrayView(Line).first(equals));
    const QByteArray value = normalised(QByteArrayView(Line).sliced(equals + 1));
    if (key == "portname")
        return PortName{profilePortName(QByteArrayView(Line).sliced(equals + 1))};
    if (key == "baudrate") {
        const std::optional<std::uint32_t> rate = decimal(value);
        if (!rate)
            return std::nullopt;
        return BaudRateSetting{*rate};
    }
    if (key == "databits")
        return byteSize(value);
    if (key == "parity")
        return choice(value, pNone,
                      {{"even", pEven}, {"odd", pOdd}, {"space", pSpace}, {"mark", pMark}});
    if (key == "stopbits")
        return choice(value, sb1_0, {{"1,5", sb1_5}, {"2", sb2_0}});
    if (key == "rts")
        return choice(value, fcNone, {{"1", fcHardware}, {"2", fcSoftware}});
    if (key == "writerate") {
        const QString text = fromWire(value);
        if (const std::optional<std::uint32_t> rate = WriteRateNamed(text))
            return WriteRateSetting{*rate};
        return BadWriteRate{text};
    }
    return std::nullopt;
}
