#include "FlashHost.h"

#include "atlink/TmyComm.h"
#include "procedures/PortDiagnosis.h"
#include "procedures/RunRecording.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

QString withoutTrailingBlanks(QString Text)
{
    while (!Text.isEmpty() && Text.back().isSpace())
        Text.chop(1);
    return Text;
}

} // namespace

FlashHost::FlashHost(TmyComm &Channel, QString DirPath, int Port, RunObserver &Observer,
                     const RunStop &Stop)
    : channel(Channel), dirPath(std::move(DirPath)), port(Port), observer(Observer), stop(Stop)
{
    channel.AbandonRequested = [this] { return stop.abandon.load(); };
}

FlashHost::~FlashHost()
{
    channel.AbandonRequested = nullptr;
}

void FlashHost::LogLine(const QString &Text)
{
    lines.append(Text);
    observer.logLine(port, Text);
    QCoreApplication::processEvents();
}

void FlashHost::LogFailure(const Failure &Reason)
{
    // A run refused before anything reached the modem says why in this line.
    if (Reason.kind == Failure::Kind::Refused)
        refusal = Reason.text;
    LogLine(Reason.text);
}

void FlashHost::SetGaugeMaximum(int Maximum)
{
    progressNow.total = std::max(0, Maximum);
    progressNow.done = std::min(progressNow.done, progressNow.total);
    reportProgress();
}

void FlashHost::SetGaugePosition(int Position)
{
    progressNow.done = std::clamp(Position, 0, progressNow.total);
    reportProgress();
}

QStringList FlashHost::ListFolder(const QString &Folder)
{
    return ListPlainFiles(Folder);
}

bool FlashHost::QuitRequested() const
{
    if (!stop.quit.load())
        return false;
    announceStop();
    return true;
}

void FlashHost::announceStop() const
{
    // Before the modem answered, or after the run, stopping takes no time worth saying.
    if (stopAnnounced ||
        (progressNow.phase != RunPhase::SwitchingBaud && progressNow.phase != RunPhase::Writing))
        return;
    stopAnnounced = true;
    observer.logLine(port, closingCommands ? StoppingWithClosingCommandsText() : StoppingText());
    progressNow.phase = RunPhase::Stopping;
    progressNow.transfer = {};
    observer.progress(port, progressNow);
}

void FlashHost::ShowErrorBox(const QString &Text)
{
    reportError(withoutTrailingBlanks(Text));
}

void FlashHost::ShowTransfer(const TransferProgress &Progress)
{
    progressNow.transfer = Progress;
    reportProgress();
}

void FlashHost::TransferEnded()
{
    progressNow.transfer = {};
    reportProgress();
}

void FlashHost::FileSent(const SentFile &File)
{
    AddSentFile(files, File);
}

void FlashHost::SetStatus(const QString &Text)
{
    LogLine(Text);
}

void FlashHost::ProbeFinished()
{
    // The power-on wait's seconds are no count of the run's files.
    progressNow.done = 0;
    progressNow.total = 0;
    enterPhase(RunPhase::SwitchingBaud);
}

void FlashHost::WritingStarted()
{
    lineRate = channel.Comm->BaudRate();
    enterPhase(RunPhase::Writing);
}

void FlashHost::PowerWaitStarted()
{
    enterPhase(RunPhase::WaitingForAnswer);
}

void FlashHost::PortOpenFailed(const QString &Diagnosis)
{
    if (Diagnosis == openDiagnosis)
        return;
    openDiagnosis = Diagnosis;
    LogLine(PortStepHint(Diagnosis));
}

void FlashHost::enterPhase(RunPhase Phase)
{
    // A stopping run stays so until it has ended.
    if (progressNow.phase == RunPhase::Stopping && Phase != RunPhase::Finished)
        return;
    progressNow.phase = Phase;
    reportProgress();
}

void FlashHost::reportError(const QString &Text)
{
    lastError = Text;
    LogLine(Text);
}

RunEnding FlashHost::ending(bool Programmed) const
{
    RunEnding ending;
    ending.programmed = Programmed;
    ending.quitRequested = stop.quit.load();
    if (channel.Comm->HungUp())
        ending.lostPort = channel.Comm->CommPort();
    ending.trouble = !refusal.isEmpty() ? refusal : lastError;
    ending.refused = !refusal.isEmpty();
    ending.done = progressNow.done;
    ending.total = progressNow.total;
    return ending;
}

QString FlashHost::failureReason() const
{
    return FailureReason(ending(false));
}

void FlashHost::reportProgress()
{
    observer.progress(port, progressNow);
}
