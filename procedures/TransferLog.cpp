#include "TransferLog.h"

#include "atlink/HexText.h"
#include "atlink/RegularFile.h"
#include "procedures/ProcedureSteps.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

namespace procedures {

namespace {

bool IsPayloadCharacter(char Character)
{
    return Character == ' ' || (Character >= '0' && Character <= '9') ||
           (Character >= 'A' && Character <= 'F') || (Character >= 'a' && Character <= 'f');
}

Failure BadLog(const QString &Text)
{
    return {Failure::Kind::BadFile, Text};
}

QString LineProblem(qsizetype LineNumber, const QString &What)
{
    return QCoreApplication::translate("DataFiles", "Файл данных transfer_fw.log, строка %1: %2")
        .arg(QString::number(LineNumber), What);
}

// The step a line stands for, or the reason it cannot be replayed.
std::optional<QString> ParseLine(const QByteArray &Line, TransferStep &Step)
{
    const QByteArray marker = Line.left(2);
    if (marker == "<-")
        Step.kind = TransferStep::Send;
    else if (marker == "->")
        Step.kind = TransferStep::Expect;
    else
        return std::nullopt;
    Step.payload = Line.mid(3);
    if (!std::all_of(Step.payload.cbegin(), Step.payload.cend(), IsPayloadCharacter))
        return QCoreApplication::translate(
            "DataFiles", "в данных есть символы, кроме шестнадцатеричных цифр и пробелов.");
    if (Step.kind == TransferStep::Send) {
        std::array<std::uint8_t, MaxSendBytes> buffer{};
        const auto count = HexToBytes(buffer.data(), buffer.size(), Step.payload);
        if (!count)
            return QCoreApplication::translate("DataFiles", "больше %1 байт для отправки.")
                .arg(MaxSendBytes);
        Step.bytes = QByteArray(reinterpret_cast<const char *>(buffer.data()), *count);
    }
    return std::nullopt;
}

bool IsExpectation(const TransferStep &Step)
{
    return Step.kind == TransferStep::Expect;
}

QByteArray WithoutLineEnd(QByteArray Line)
{
    if (Line.endsWith('\n'))
        Line.chop(1);
    if (Line.endsWith('\r'))
        Line.chop(1);
    return Line;
}

} // namespace

Result<TransferLog> ReadTransferLog(const QString &Path)
{
    TransferLog log;
    QFile file(Path);
    if (auto problem = NotRegularFileProblem(Path))
        return *std::move(problem);
    if (!file.open(QIODevice::ReadOnly))
        return BadLog(QCoreApplication::translate(
            "DataFiles", "Файл данных transfer_fw.log не удалось открыть."));
    for (qsizetype number = 1;; ++number) {
        const QByteArray line = file.readLine();
        if (line.isEmpty()) {
            if (file.error() != QFileDevice::NoError)
                return BadLog(LineProblem(
                    number,
                    QCoreApplication::translate("DataFiles", "не удалось прочитать строку.")));
            // Nothing would be compared: an empty or foreign file would pass as written.
            if (std::none_of(log.steps.cbegin(), log.steps.cend(), IsExpectation))
                return BadLog(QCoreApplication::translate(
                    "DataFiles",
                    "Файл данных transfer_fw.log не содержит ни одной строки \"->\"."));
            return log;
        }
        TransferStep step;
        if (const auto problem = ParseLine(WithoutLineEnd(line), step))
            return BadLog(LineProblem(number, *problem));
        log.steps.push_back(std::move(step));
    }
}

QString TransferLogPath(const QString &DirPath)
{
    return DirPath + QStringLiteral("/transfer_fw.log");
}

Failure MissingTransferLog()
{
    return Refusal(
        QCoreApplication::translate("DataFiles", "Не обнаружен файл данных transfer_fw.log."));
}

std::optional<Failure> TransferLogRefusal(const QString &DirPath)
{
    const QString path = TransferLogPath(DirPath);
    if (!QFileInfo::exists(path))
        return MissingTransferLog();
    if (const auto log = ReadTransferLog(path); !log)
        return Refusal(log.failure().text);
    return std::nullopt;
}

} // namespace procedures
