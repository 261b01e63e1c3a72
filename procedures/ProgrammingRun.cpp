#include "ProgrammingRun.h"

#include "atlink/CommsErrorText.h"
#include "atlink/EConvertError.h"
#include "atlink/Timing.h"
#include "atlink/TmyComm.h"
#include "procedures/Procedures.h"

#include <QCoreApplication>

#include <exception>

void SendProbe(TmyComm &Channel)
{
    static constexpr char Probe[] = "ATE0\r\n";
    Channel.ClearReply();
    Channel.Comm->WriteData(Probe, sizeof(Probe) - 1);
}

bool ProbeAnswered(const TmyComm &Channel)
{
    return Channel.Reply.contains("OK");
}

QString ModemChosenText(const QString &Title)
{
    return QCoreApplication::translate("Run", "Выбран модем \"%1\"").arg(Title);
}

QString WaitingForPortText()
{
    return QCoreApplication::translate("Run", "Ожидаю подключение модема к СОМ-порту...");
}

QString WritingText()
{
    return QCoreApplication::translate("Run", "Запись данных в модем...");
}

QString RunSucceededText()
{
    return QCoreApplication::translate("Run", "Операция успешно завершена");
}

QString RunFailedText()
{
    return QCoreApplication::translate(
        "Run", "Во время опереации произошел сбой. Повторите операцию с шага №1.");
}

QString DeviceLostText(const QString &Port)
{
    return QCoreApplication::translate("Run", "СОМ-порт %1 потерян (устройство отключено).")
        .arg(Port);
}

QString ErrorLine(const std::exception &Caught)
{
    if (const auto *comms = dynamic_cast<const ECommsError *>(&Caught))
        return CommsErrorText(*comms).trimmed();
    if (dynamic_cast<const EConvertError *>(&Caught))
        return QString::fromUtf8(Caught.what()).trimmed();
    qWarning("%s", Caught.what());
    return QCoreApplication::translate(
        "Run", "Внутренняя ошибка программы. Повторите операцию с шага №1.");
}

namespace {

// The procedure of the type, with everything that keeps it from writing the modem counted as a
// failure.
bool RunProcedure(RunHost &Host, const QString &DirName)
{
    // A port that did not reopen would leave the last answer in the reply, and every wait would
    // return at once reading it as the modem's.
    if (!Host.Channel().Comm->PortOpen()) {
        Host.LogLine(
            QCoreApplication::translate("Run", "СОМ-порт закрыт. Запись данных отменена."));
        return false;
    }
    try {
        return RunProcedureForType(DirName, Host);
    } catch (const std::exception &error) {
        Host.LogLine(ErrorLine(error));
        return false;
    }
}

// For the length of a run, the channel gives up its waits when the host is asked to quit, and so
// does a pause between commands that could send nothing more (the closing commands keep theirs).
class StopOnQuit
{
public:
    explicit StopOnQuit(RunHost &Host)
        : channel(Host.Channel()), pauses([this] { return !channel.SendingAllowed(); })
    {
        channel.StopRequested = [&Host] { return Host.QuitRequested(); };
    }
    ~StopOnQuit() { channel.StopRequested = nullptr; }
    StopOnQuit(const StopOnQuit &) = delete;
    StopOnQuit &operator=(const StopOnQuit &) = delete;

private:
    TmyComm &channel;
    const PauseBreak pauses;
};

} // namespace

bool PerformProgrammingRun(RunHost &Host, const QString &DirName)
{
    const StopOnQuit stopOnQuit(Host);
    Host.LogLine(QCoreApplication::translate("Run", "Отклик модема получен"));
    Host.ProbeFinished();
    SetModemBaud(Host, Host.Channel().WriteRate);
    Host.WritingStarted();
    Host.SetStatus(WritingText());
    Host.LogLine(QString());
    const bool written = RunProcedure(Host, DirName);
    TComm32 &port = *Host.Channel().Comm;
    port.ClosePort();
    if (port.HungUp())
        Host.LogLine(DeviceLostText(port.CommPort()));
    Host.LogLine(QString());
    Host.LogLine(written ? RunSucceededText() : RunFailedText());
    return written;
}
