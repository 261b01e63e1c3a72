#pragma once

#include <QString>

#include <cstdint>

// How far one file has got on its way to the modem.
struct TransferProgress
{
    QString name;
    std::int64_t sent = 0;           // its bytes that have left the port
    std::int64_t total = 0;          // its size
    std::int64_t bytesPerSecond = 0; // the pace of the last few seconds; 0 until known
};

// "ehsx.jar: 48 из 100 КБ, 960 Б/с, осталось 54 с"; the pace and the time left once known.
QString TransferText(const TransferProgress &Progress);
