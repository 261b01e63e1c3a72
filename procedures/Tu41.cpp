// Java modems: the old application is removed, every file of "compiled" is downloaded into the
// modem's file system, and the loader is started again whatever happened.
#include "atlink/FileSize.h"
#include "atlink/FileTransfer.h"
#include "atlink/HexText.h"
#include "atlink/TmyComm.h"
#include "procedures/CompiledFolder.h"
#include "procedures/ProcedureHost.h"
#include "procedures/ProcedureSteps.h"
#include "procedures/Procedures.h"
#include "procedures/TransferWatch.h"

#include <QCoreApplication>

using namespace std::chrono_literals;
using namespace procedures;

namespace {

constexpr auto CommandDelay = 300ms;
constexpr auto CommandTimeout = 5000ms;
constexpr auto DownloadDelay = 200ms;
constexpr auto ConnectTimeout = 3000ms;
constexpr auto TransferDelay = 100ms;
constexpr auto TransferTimeout = 90000ms;

const QByteArray RemoveArchive = QByteArrayLiteral("AT^SJAM=2,\"a:/ehsx.jar\",\"\"");
const QByteArray RemoveLoader = QByteArrayLiteral("AT^SJAM=2,\"a:/ehsx_loader.jad\",\"\"");
const QByteArray StartLoader = QByteArrayLiteral("AT^SJAM=0,\"a:/ehsx_loader.jad\",\"\"");

void SendUnlogged(ProcedureHost &Host, const QByteArray &Command)
{
    PauseFor(CommandDelay);
    SendQuietly(Host, Command, Ok, Error, CommandTimeout);
}

// "Модем не принял файл ehsx.jar: JDL TIMEOUT": the file and the modem's last word on it.
QString NotTakenText(const QString &Name, const TmyComm &Channel)
{
    return QCoreApplication::translate("Procedures", "Модем не принял файл %1: %2")
        .arg(Name, ReplyText(Channel).simplified());
}

// Whether the modem took the file: it must open the download with "CONNECT" and confirm the
// bytes with "OK".
bool Download(ProcedureHost &Host, const CompiledFiles &Files, const QString &Name)
{
    PauseFor(DownloadDelay);
    const QString path = Files.PathOf(Name);
    const auto size = static_cast<std::int32_t>(FileSizeOf(path));
    Host.LogLine(QCoreApplication::translate("Procedures", "Запись файла %1 (%2 bytes)")
                     .arg(Name, QString::number(size)));
    const QByteArray command = "AT^SJDL=1," + QByteArray::number(size) + ',' + Quoted(Name);
    SendAndLog(Host, command, QByteArrayLiteral("CONNECT"), Error, ConnectTimeout);
    if (!ReplyContains(Host.Channel(), QByteArrayLiteral("CONNECT"))) {
        Host.NoteFailure(NotTakenText(Name, Host.Channel()));
        return false;
    }
    PauseFor(TransferDelay);
    {
        const TransferWatch watch(Host, Name, size);
        if (const auto sent = SendFile(Host.Channel(), path, size, false); !sent) {
            // The file changed after the check before the run: it is not taken, and the loader
            // is started again as after any other file the modem did not take.
            Host.LogFailure(sent.failure());
            return false;
        }
        // The answer is looked for byte-wise: it may come with stray line ends or zero bytes.
        Host.Channel().SendAndWaitEx(QByteArray(), 0, TextToHex(Ok), TextToHex("JDL TIMEOUT"),
                                     Milliseconds(TransferTimeout), false);
    }
    Host.LogLine(ReplyText(Host.Channel()));
    const bool taken = ReplyContains(Host.Channel(), Ok);
    Host.FileSent({path, Name, size, taken, std::nullopt});
    if (!taken)
        Host.NoteFailure(NotTakenText(Name, Host.Channel()));
    return taken;
}

} // namespace

bool FlashTu41(ProcedureHost &Host)
{
    const auto files = ListCompiledFiles(Host);
    if (!files)
        return false;
    const auto count = files->Names.size();
    bool result = false;
    if (count > 0) {
        SendUnlogged(Host, RemoveArchive);
        SendUnlogged(Host, RemoveLoader);
        SendUnlogged(Host, RemoveArchive);
        // No retry: the first file the modem does not take ends the loop.
        qsizetype passes = 0;
        bool taken = false;
        bool goOn = true;
        while (goOn) {
            taken = Download(Host, *files, files->Names.at(passes));
            Host.LogLine(QString());
            ++passes;
            // The gauge counts the files the modem took, not the attempts.
            if (taken)
                Host.SetGaugePosition(static_cast<int>(passes));
            goOn = taken && passes < count && !Host.QuitRequested();
        }
        // Judged by the last file itself: a refused download command may still hold "OK".
        result = taken && passes == count;
    }
    // The loader is started again after every listing, a failed or interrupted one included.
    const TmyComm::ClosingCommands closing(Host.Channel());
    SendUnlogged(Host, RemoveLoader);
    PauseFor(CommandDelay);
    SendAndLog(Host, StartLoader, Ok, Error, CommandTimeout);
    return result;
}
