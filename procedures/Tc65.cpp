// Transfer-log modems: autostart off, the recorded exchange replayed line by line, then the
// autostart application configured and switched on again.
#include "atlink/HexText.h"
#include "atlink/TmyComm.h"
#include "atlink/WireText.h"
#include "procedures/ProcedureHost.h"
#include "procedures/ProcedureSteps.h"
#include "procedures/Procedures.h"
#include "procedures/TransferLog.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <array>

using namespace std::chrono_literals;
using namespace procedures;

namespace {

constexpr auto StartDelay = 200ms;
constexpr auto AutostartOffTimeout = 5000ms;
constexpr auto ExchangeDelay = 200ms;
// The escape to command mode wants a quiet line before it.
constexpr auto EscapeDelay = 3000ms;
constexpr auto ExchangeTimeout = 2000ms;
constexpr auto ConfigureDelay = 100ms;
constexpr auto ConfigureTimeout = 2000ms;
constexpr int GaugeLines = 152;

QString FailedLine()
{
    return QCoreApplication::translate("Procedures", "Ошибка! Файл данных записать не удалось.");
}

// Hex text followed by the characters it stands for, in brackets.
QString WithRendering(const QByteArray &HexText)
{
    return fromWire(HexText + " (" + HexToText(HexText) + ')');
}

// Whether the modem answered Command with "OK"; why not is the run's reason.
bool Accepted(ProcedureHost &Host, const QByteArray &Command)
{
    if (ReplyContains(Host.Channel(), Ok))
        return true;
    Host.NoteFailure(QCoreApplication::translate("Procedures", "Модем не принял команду %1: %2")
                         .arg(fromWire(Command), ReplyText(Host.Channel()).simplified()));
    return false;
}

// Plays the steps of a transfer log against the modem; stops at the first expectation that is
// not met in time.
class Replay
{
public:
    explicit Replay(ProcedureHost &Host) : host(Host) {}

    // Whether the whole log went through; false also on a quit request.
    bool Run(const std::vector<TransferStep> &Steps)
    {
        bool goOn = true;
        for (auto step = Steps.cbegin(); goOn && step != Steps.cend(); ++step) {
            if (host.QuitRequested())
                return false;
            if (step->kind == TransferStep::Send) {
                pendingText = step->payload;
                pending = step->bytes;
            } else if (step->kind == TransferStep::Expect) {
                goOn = Exchange(step->payload);
            }
            host.SetGaugePosition(host.GaugePosition() + 1);
            QCoreApplication::processEvents();
        }
        return goOn && !host.QuitRequested();
    }

private:
    // Sends what is pending (if anything) and waits for the expected bytes or for "ERROR", which
    // counts as passed too; only the time-out fails.
    bool Exchange(const QByteArray &Expected)
    {
        PauseFor(pendingText == "2B 2B 2B" ? EscapeDelay : ExchangeDelay);
        TmyComm &channel = host.Channel();
        channel.SendAndWaitEx(pending, pending.size(), Expected, TextToHex(Error),
                              Milliseconds(ExchangeTimeout), true);
        pending.clear();
        if (!ReplyContains(channel, Timeout))
            return true;
        // A quit ends the wait it meets, and refuses the wait of a block whose pause it came in
        // (the block is not sent): the replay ends, but no expectation went unmet.
        if (host.QuitRequested())
            return false;
        host.LogLine(QString());
        host.LogLine(QCoreApplication::translate("Procedures", "Запись:\t\t%1")
                         .arg(fromWire(pendingText + '(' + HexToText(pendingText) + ')')));
        host.LogLine(QCoreApplication::translate("Procedures", "Ошибка!"));
        host.LogLine(QCoreApplication::translate("Procedures", "Ожидалось:\t%1")
                         .arg(WithRendering(Expected)));
        host.LogLine(QCoreApplication::translate("Procedures", "Пришло:\t\t%1")
                         .arg(WithRendering(channel.ReplyHex)));
        host.NoteFailure(QCoreApplication::translate(
                             "Procedures", "Модем не дал ответа, записанного в transfer_fw.log: "
                                           "ожидалось %1")
                             .arg(WithRendering(Expected)));
        return false;
    }

    ProcedureHost &host;
    QByteArray pendingText;
    QByteArray pending;
};

bool AutostartOff(ProcedureHost &Host)
{
    Host.SetGaugePosition(0);
    Host.SetGaugeMaximum(GaugeLines);
    PauseFor(StartDelay);
    const QByteArray command = QByteArrayLiteral("at^SCFG=\"userware/autostart\",\"\",\"0\"");
    SendAndLog(Host, command, Ok, Error, AutostartOffTimeout);
    return Accepted(Host, command);
}

bool Configure(ProcedureHost &Host)
{
    static const std::array<QByteArray, 4> settings = {
        QByteArrayLiteral("at^SCFG=\"userware/autostart/appname\",\"\",\"a:/tc65.jad\""),
        QByteArrayLiteral("at^SCFG=\"userware/autostart/delay\",\"\",\"150\""),
        QByteArrayLiteral("AT^SCFG=\"Userware/Mode\",\"normal\",\"\",\"0\""),
        QByteArrayLiteral("AT^SCFG=\"Userware/Stdout\",\"USB\""),
    };
    for (const QByteArray &command : settings) {
        PauseFor(ConfigureDelay);
        SendAndLog(Host, command, Ok, Error, ConfigureTimeout);
        if (!Accepted(Host, command))
            return false;
    }
    // Switching autostart back on is the last word; its answer does not change the outcome.
    PauseFor(ConfigureDelay);
    SendAndLog(Host, QByteArrayLiteral("at^SCFG=\"userware/autostart\",\"\",\"1\""), Ok, Error,
               ConfigureTimeout);
    return true;
}

} // namespace

bool FlashTc65(ProcedureHost &Host)
{
    const QString logPath = TransferLogPath(Host.SelectedDirPath());
    // Something else under that name (a pipe, a folder) is refused by the reading below.
    if (!QFileInfo::exists(logPath)) {
        Host.ShowErrorBox(MissingTransferLog().text + QString(9, QLatin1Char(' ')));
        return false;
    }
    const auto log = ReadTransferLog(logPath);
    if (!log) {
        Host.LogFailure(log.failure());
        Host.LogLine(FailedLine());
        return false;
    }
    if (!AutostartOff(Host))
        return false;
    Host.LogLine(QString());
    const bool replayed = Replay(Host).Run(log->steps);
    Host.FileSent({logPath, QFileInfo(logPath).fileName(), QFileInfo(logPath).size(), replayed,
                   std::nullopt});
    Host.LogLine(replayed
                     ? QCoreApplication::translate("Procedures", "Файл данных успешно записан.")
                     : FailedLine());
    return replayed && Configure(Host);
}
