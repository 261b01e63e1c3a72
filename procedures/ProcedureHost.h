#pragma once

#include "common/Failure.h"
#include "procedures/TransferProgress.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

class TmyComm;

// A file that went to the modem, as the procedure knows it once the modem's answer is in.
struct SentFile
{
    QString path;
    QString name;
    std::int64_t bytes = 0;
    bool taken = false;                       // the modem confirmed it
    std::optional<std::uint16_t> reportedCrc; // the CRC the modem reported, where it reports one
};

// What a programming procedure needs from whoever runs it: the main window, or the headless
// runner. Everything is called on the thread that owns the channel.
class ProcedureHost
{
public:
    virtual ~ProcedureHost() = default;

    // Appends one line to the run's log (an empty text is an empty line) and processes pending
    // events, which is how received bytes and a quit request get in during a long run.
    virtual void LogLine(const QString &Text) = 0;
    // Logs the failure's text; a host that keeps the reason a run ended (the runner) also looks at
    // its kind.
    virtual void LogFailure(const Failure &Reason) { LogLine(Reason.text); }
    // Why the run is failing where no single line of the log says it (a file the modem did not
    // take): a host that keeps the reason a run ended keeps this one; nothing is logged.
    virtual void NoteFailure(const QString &Reason) { Q_UNUSED(Reason); }
    virtual void SetGaugeMaximum(int Maximum) = 0;
    // Kept between 0 and the maximum: a larger position is cut to the maximum.
    virtual void SetGaugePosition(int Position) = 0;
    virtual int GaugePosition() const = 0;
    // The plain, visible files of Folder, sorted by name ignoring letter case, read afresh.
    virtual QStringList ListFolder(const QString &Folder) = 0;
    // The folder of the chosen modem type (the catalogue entry's DirPath).
    virtual QString SelectedDirPath() const = 0;
    // Closing the window or interrupting the runner; never cleared during a run.
    virtual bool QuitRequested() const = 0;
    // A modal error box ("Ошибка" caption, error icon, OK) that returns when it is closed.
    virtual void ShowErrorBox(const QString &Text) = 0;
    virtual TmyComm &Channel() = 0;
    // How often a script modem's file is tried before the run gives up; 0: until it verifies.
    virtual int MaxAttempts() const { return 0; }
    // A file on its way to the modem: called when its bytes are queued (none sent yet), a few
    // times a second while they leave the port, and once more when the answer to them is in;
    // then TransferEnded. Hosts that show no such detail leave both alone.
    virtual void ShowTransfer(const TransferProgress &Progress) { Q_UNUSED(Progress); }
    virtual void TransferEnded() {}
    // Each time a file has been sent (a retried file once per attempt); for the run's record.
    virtual void FileSent(const SentFile &File) { Q_UNUSED(File); }
};

// The listing every host uses for ListFolder: regular files only, names starting with a dot left
// out, sorted by name ignoring letter case. Empty when the folder does not exist.
QStringList ListPlainFiles(const QString &Folder);
