#include "WriteRate.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>

std::optional<std::uint32_t> WriteRateNamed(const QString &Text)
{
    // Digits only: no sign, no blanks, no base prefix that toUInt would take.
    const bool digits = !Text.isEmpty() && std::all_of(Text.cbegin(), Text.cend(), [](QChar c) {
        return c >= u'0' && c <= u'9';
    });
    bool ok = false;
    const std::uint32_t rate = digits ? Text.toUInt(&ok) : 0;
    if (!ok || std::find(WriteRates.begin(), WriteRates.end(), rate) == WriteRates.end())
        return std::nullopt;
    return rate;
}

QString WriteRateList()
{
    QStringList rates;
    for (const std::uint32_t rate : WriteRates)
        rates.append(QString::number(rate));
    return rates.join(QStringLiteral(", "));
}

QString ProfileWriteRateRefusal(const QString &Value)
{
    return QCoreApplication::translate(
               "DataFiles", "Файл upload.ini: недопустимая скорость записи writerate=%1. "
                            "Допустимы %2 бит/с.")
        .arg(Value, WriteRateList());
}
