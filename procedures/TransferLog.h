#pragma once

#include "common/Failure.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace procedures {

// One line of a recorded exchange ("transfer_fw.log"): "<-" and the bytes to send, "->" and the
// bytes the modem is expected to answer, or anything else, which is skipped.
struct TransferStep
{
    enum Kind
    {
        Send,
        Expect,
        Skip
    };
    Kind kind = Skip;
    QByteArray payload; // from the line's fourth character on, as written
    QByteArray bytes;   // Send: the bytes the payload stands for
};

// The largest number of bytes one "<-" line may send.
inline constexpr std::size_t MaxSendBytes = 2048;

// A whole transfer log, read before anything of it is sent, so that a malformed log leaves the
// modem untouched.
struct TransferLog
{
    std::vector<TransferStep> steps;
};

// The log, or a BadFile failure that says what is wrong and on which line.
Result<TransferLog> ReadTransferLog(const QString &Path);

// The transfer log of the type folder DirPath.
QString TransferLogPath(const QString &DirPath);
// "Не обнаружен файл данных transfer_fw.log. Запись данных отменена."
Failure MissingTransferLog();
// The same check as the procedure's, without a run, before any port is opened: the refusal for a
// missing or malformed log, or no value when it can be replayed.
std::optional<Failure> TransferLogRefusal(const QString &DirPath);

} // namespace procedures
