#include "TransferLog.h"

#include "atlink/HexText.h"
#include "atlink/RegularFile.h"
#include "procedures/ProcedureSteps.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

using namespace Qt::StringLiterals;

namespace procedures {

namespace {

bool IsPayloadCharacter(char Character)
{
    return Character == ' ' || (Character >= '0' && Character <= '9') ||
           (Character >= 'A' && Character <= 'F') || (Character >= 'a' && Character <= 'f');
}

QString LineProblem(qsizetype LineNumber, const QString &What)
{
    return u"Файл данных transfer_fw.log, строка %1: %2"_s.arg(QString::number(LineNumber), What);
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
        return u"в данных есть символы, кроме шестнадцатеричных цифр и пробелов."_s;
    if (Step.kind == TransferStep::Send) {
        std::array<std::uint8_t, MaxSendBytes> buffer{};
        try {
            const auto count = HexToBytes(buffer.data(), buffer.size(), Step.payload);
            Step.bytes = QByteArray(reinterpret_cast<const char *>(buffer.data()), count);
        } catch (const std::length_error &) {
            return u"больше %1 байт для отправки."_s.arg(MaxSendBytes);
        }
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

TransferLog ReadTransferLog(const QString &Path)
{
    TransferLog log;
    QFile file(Path);
    if (const auto problem = NotRegularFileProblem(Path)) {
        log.problem = *problem;
        return log;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        log.problem = u"Файл данных transfer_fw.log не удалось открыть."_s;
        return log;
    }
    for (qsizetype number = 1;; ++number) {
        const QByteArray line = file.readLine();
        if (line.isEmpty()) {
            if (file.error() != QFileDevice::NoError)
                log.problem = LineProblem(number, u"не удалось прочитать строку."_s);
            else if (std::none_of(log.steps.cbegin(), log.steps.cend(), IsExpectation))
                // Nothing would be compared: an empty or foreign file would pass as written.
                log.problem = u"Файл данных transfer_fw.log не содержит ни одной строки \"->\"."_s;
            return log;
        }
        TransferStep step;
        if (const auto problem = ParseLine(WithoutLineEnd(line), step)) {
            log.problem = LineProblem(number, *problem);
            return log;
        }
        log.steps.push_back(std::move(step));
    }
}

QString TransferLogPath(const QString &DirPath)
{
    return DirPath + u"/transfer_fw.log"_s;
}

QString MissingTransferLogText()
{
    return RefusalLine(u"Не обнаружен файл данных transfer_fw.log."_s);
}

std::optional<QString> TransferLogRefusal(const QString &DirPath)
{
    const QString path = TransferLogPath(DirPath);
    if (!QFileInfo::exists(path))
        return MissingTransferLogText();
    const TransferLog log = ReadTransferLog(path);
    if (!log.problem.isEmpty())
        return RefusalLine(log.problem);
    return std::nullopt;
}

} // namespace procedures
