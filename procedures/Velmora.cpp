// Script modems: every file of "compiled" is deleted, written and verified against the CRC the
// modem reports, until it verifies; then "main.pyo" is made the script to run.
#include "atlink/FileSize.h"
#include "atlink/FileTransfer.h"
#include "atlink/HexText.h"
#include "atlink/TmyComm.h"
#include "atlink/WireText.h"
#include "procedures/CompiledFolder.h"
#include "procedures/ProcedureHost.h"
#include "procedures/ProcedureSteps.h"
#include "procedures/Procedures.h"
#include "procedures/TransferWatch.h"

#include <QCoreApplication>

#include <cctype>
#include <optional>

using namespace std::chrono_literals;
using namespace procedures;

namespace {

constexpr auto PreambleDelay = 300ms;
constexpr auto PreambleTimeout = 2000ms;
constexpr auto AfterResetDelay = 5000ms;
constexpr auto DeleteDelay = 500ms;
constexpr auto DeleteTimeout = 7000ms;
constexpr auto WriteDelay = 200ms;
constexpr auto PromptTimeout = 5000ms;
constexpr auto StoreTimeout = 120000ms;
constexpr auto CheckDelay = 500ms;
constexpr auto CheckTimeout = 7000ms;
constexpr auto FinishDelay = 100ms;
constexpr auto FinishTimeout = 1000ms;

// The CRC in the modem's report of a stored file: the hex digits after the size that follows
// ReportStart.
std::optional<std::uint16_t> ReportedCrc(const QByteArray &Reply, const QByteArray &ReportStart)
{
    const qsizetype at = Reply.indexOf(ReportStart);
    if (at < 0)
        return std::nullopt;
    const qsizetype comma = Reply.indexOf(',', at + ReportStart.size());
    if (comma < 0)
        return std::nullopt;
    QByteArray digits;
    for (qsizetype index = comma + 1; index < Reply.size() && isxdigit(Reply.at(index)) != 0;
         ++index)
        digits += Reply.at(index);
    bool ok = false;
    const uint value = digits.toUInt(&ok, 16);
    if (!ok || digits.size() > 4)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

// One file's way into the script store: delete, write, verify.
class ScriptWriter
{
public:
    ScriptWriter(ProcedureHost &Host, const CompiledFiles &Files) : host(Host), files(Files) {}

    // Whether the delete was answered; the run stops when it was not.
    bool DeleteOld(const QString &Name)
    {
        host.LogLine(
            QCoreApplication::translate("Procedures", "Удаление старого файла %1 ...").arg(Name));
        PauseFor(DeleteDelay);
        SendQuietly(host, "AT#DSCRIPT=" + Quoted(Name), Ok, Error, DeleteTimeout);
        const QByteArray answer = LogFirstOutcome(
            host, {{Timeout, QCoreApplication::translate("Procedures", "таймаут")},
                   {Error, QCoreApplication::translate("Procedures", "файл не найден")},
                   {Ok, QCoreApplication::translate("Procedures", "файл удален")}});
        const bool answered = answer == Ok || answer == Error;
        if (!answered)
            host.NoteFailure(QCoreApplication::translate("Procedures",
                                                         "Модем не ответил на удаление файла %1: "
                                                         "таймаут")
                                 .arg(Name));
        return answered;
    }

    // Whether the modem confirmed the stored file; a failure when the file can no longer be read
    // (it changed after the check before the run), which no further attempt would mend.
    Result<bool> Write(const QString &Name)
    {
        sent = false;
        reportedCrc.reset();
        size = static_cast<std::int32_t>(FileSizeOf(files.PathOf(Name)));
        // The network settings are stored differently from the scripts.
        const char flag = Name.toLower() == QStringLiteral("network.ini") ? '0' : '1';
        host.LogLine(QCoreApplication::translate("Procedures", "Запись файла %1 (%2 bytes) ...")
                         .arg(Name, QString::number(size)));
        PauseFor(WriteDelay);
        const QByteArray command =
            "AT#WSCRIPT=" + Quoted(Name) + ',' + QByteArray::number(size) + ',' + flag;
        SendQuietly(host, command, QByteArrayLiteral(">>>"), Error, PromptTimeout);
        if (Replied(Error)) {
            LogRefused(command);
            return false;
        }
        {
            const TransferWatch watch(host, Name, size);
            // Without a prompt the modem may still be listening: send all the same.
            const auto transferred = SendFile(host.Channel(), files.PathOf(Name), size, true);
            if (!transferred)
                return transferred.failure();
            crc = *transferred;
            sent = true;
            WaitQuietly(host, Ok, Error, StoreTimeout);
        }
        return LogFirstOutcome(
                   host, {{Error, QCoreApplication::translate("Procedures", "ошибка записи файла")},
                          {Timeout, QCoreApplication::translate("Procedures", "таймаут")},
                          {Ok, QCoreApplication::translate("Procedures", "файл записан")}}) == Ok;
    }

    // Whether the modem reports the stored file with the size and the CRC that were sent.
    bool Verify(const QString &Name)
    {
        host.LogLine(QCoreApplication::translate("Procedures", "Проверка контрольной суммы %1 ...")
                         .arg(Name));
        const QByteArray reportStart = "#LCSCRIPT: " + Quoted(Name) + ',';
        const QByteArray report = reportStart + QByteArray::number(size) + ',' +
                                  QByteArray::number(crc, 16).toUpper().rightJustified(4, '0');
        PauseFor(CheckDelay);
        const QByteArray command = "AT#LCSCRIPT=" + Quoted(Name);
        SendQuietly(host, command, report, Error, CheckTimeout);
        if (Replied(Error)) {
            LogRefused(command);
            return false;
        }
        if (Replied(Timeout)) {
            host.LogLine(QCoreApplication::translate("Procedures", "таймаут"));
            return false;
        }
        const bool match = Replied(report);
        reportedCrc = ReportedCrc(host.Channel().Reply, reportStart);
        host.LogLine(match ? QStringLiteral("CRC ok") : QStringLiteral("CRC bad"));
        return match;
    }

    // The attempt that has just ended, when it sent the file.
    void ReportAttempt(const QString &Name, bool Verified)
    {
        if (sent)
            host.FileSent({files.PathOf(Name), Name, size, Verified, reportedCrc});
    }

private:
    bool Replied(const QByteArray &Text) const { return ReplyContains(host.Channel(), Text); }

    void LogRefused(const QByteArray &Command)
    {
        host.LogLine(QCoreApplication::translate("Procedures", "ошибка при вызове команды %1")
                         .arg(fromWire(Command)));
    }

    ProcedureHost &host;
    const CompiledFiles &files;
    std::int32_t size = 0;
    std::uint32_t crc = 0;
    bool sent = false;
    std::optional<std::uint16_t> reportedCrc;
};

void SendPreamble(ProcedureHost &Host)
{
    Host.LogLine(QString());
    Host.LogLine(QCoreApplication::translate("Procedures", "Удаление автозапуска..."));
    PauseFor(PreambleDelay);
    SendAndLog(Host, QByteArrayLiteral("AT#ESCRIPT=\"\""), Ok, Error, PreambleTimeout);
    PauseFor(PreambleDelay);
    SendAndLog(Host, QByteArrayLiteral("AT#ENHRST=1,0"), Ok, Error, PreambleTimeout);
    PauseFor(AfterResetDelay);
}

void SendFinish(ProcedureHost &Host)
{
    Host.LogLine(QString());
    PauseFor(FinishDelay);
    SendAndLog(Host, QByteArrayLiteral("AT#ESCRIPT=\"main.pyo\""), Ok, Error, FinishTimeout);
    PauseFor(FinishDelay);
    SendAndLog(Host, QByteArrayLiteral("AT#STARTMODESCR=1,15"), Ok, Error, FinishTimeout);
}

} // namespace

bool FlashVelmora(ProcedureHost &Host)
{
    const auto files = ListCompiledFiles(Host);
    if (!files)
        return false;
    const auto count = files->Names.size();
    SendPreamble(Host);

    ScriptWriter writer(Host, *files);
    qsizetype done = 0;
    int attempt = 1;
    bool goOn = count > 0;
    // A file is tried again from its delete until it verifies; only a delete left unanswered or
    // a quit request ends the loop early.
    while (goOn) {
        const QString &name = files->Names.at(done);
        if (Host.MaxAttempts() > 0 && attempt > Host.MaxAttempts()) {
            // A bound the runner was given: a production line does not wait for ever.
            Host.ShowErrorBox(QCoreApplication::translate(
                                  "Procedures", "Файл %1 не записан: сделано попыток: %2.")
                                  .arg(name, QString::number(Host.MaxAttempts())));
            return false;
        }
        if (attempt > 1)
            Host.LogLine(QCoreApplication::translate("Procedures", "Попытка №%1").arg(attempt));
        goOn = writer.DeleteOld(name);
        bool verified = false;
        if (goOn) {
            const Result<bool> written = writer.Write(name);
            if (!written) {
                Host.LogFailure(written.failure());
                return false;
            }
            verified = *written && writer.Verify(name);
            writer.ReportAttempt(name, verified);
        }
        if (verified) {
            ++done;
            attempt = 1;
        } else {
            ++attempt;
        }
        Host.LogLine(QString());
        Host.SetGaugePosition(static_cast<int>(done));
        goOn = goOn && done < count && !Host.QuitRequested();
    }
    if (done != count)
        return false;
    SendFinish(Host);
    return true;
}
