#pragma once

#include "engine/RunEvents.h"
#include "engine/RunStop.h"
#include "procedures/PowerOnStep.h"
#include "procedures/RunOutcome.h"
#include "records/RunRecord.h"

#include <QString>

// The run's host without a window: log lines and gauge moves go to the observer, the quit
// request is the runner's for this port, and an error box becomes a log line. For as long as it
// lives, the channel gives up even its closing commands when the runner abandons the run.
class FlashHost : public PowerOnHost
{
public:
    FlashHost(TmyComm &Channel, QString DirPath, int Port, RunObserver &Observer,
              const RunStop &Stop);
    ~FlashHost() override;
    FlashHost(const FlashHost &) = delete;
    FlashHost &operator=(const FlashHost &) = delete;

    void LogLine(const QString &Text) override;
    // A refusal is kept as the reason for the summary.
    void LogFailure(const Failure &Reason) override;
    void NoteFailure(const QString &Reason) override { lastError = Reason; }
    void SetGaugeMaximum(int Maximum) override;
    void SetGaugePosition(int Position) override;
    int GaugePosition() const override { return progressNow.done; }
    QStringList ListFolder(const QString &Folder) override;
    QString SelectedDirPath() const override { return dirPath; }
    // The first time it answers true inside a programming run, the run is said to be stopping,
    // with what it still waits for.
    bool QuitRequested() const override;
    void ShowErrorBox(const QString &Text) override;
    TmyComm &Channel() override { return channel; }
    int MaxAttempts() const override { return maxAttempts; }
    void SetMaxAttempts(int Attempts) { maxAttempts = Attempts; }
    void ShowTransfer(const TransferProgress &Progress) override;
    void TransferEnded() override;
    void FileSent(const SentFile &File) override;

    void SetStatus(const QString &Text) override;
    void ProbeFinished() override;
    void WritingStarted() override;
    void PowerWaitStarted() override;
    // Said in the log each time the reason changes, so a port held by another program is named
    // while the runner keeps trying.
    void PortOpenFailed(const QString &Diagnosis) override;
    QString portOpenDiagnosis() const { return openDiagnosis; }

    void enterPhase(RunPhase Phase);
    // Whether the modem gets closing commands after a stopped run, which the stop then waits for.
    void expectClosingCommands(bool Expected) { closingCommands = Expected; }
    // Logs an error that ended the run and keeps it as the reason for the summary.
    void reportError(const QString &Text);
    // What the run knows of itself at its end, for the one judge of runs (RunOutcome.h).
    RunEnding ending(bool Programmed) const;
    // Why a run that did not program its modem failed.
    QString failureReason() const;
    // The files the run sent, each once in the order first sent, with its attempts.
    const QList<RecordedFile> &sentFiles() const { return files; }
    // Every line the run has logged, in order.
    const QStringList &runLog() const { return lines; }
    // The port's rate when writing began; 0 when it never did.
    std::uint32_t writingRate() const { return lineRate; }

private:
    void reportProgress();
    // Says, once, that the run is stopping and what it still waits for. Called from the checks of
    // the quit request inside the channel's waits, so it processes no events.
    void announceStop() const;

    TmyComm &channel;
    const QString dirPath;
    const int port;
    RunObserver &observer;
    const RunStop &stop;
    mutable PortProgress progressNow; // the phase turns to stopping on the quit request
    mutable bool stopAnnounced = false;
    bool closingCommands = false;
    QString lastError;
    QString refusal; // the line that refused the run before anything reached the modem
    QString openDiagnosis;
    int maxAttempts = 0;
    QList<RecordedFile> files;
    QStringList lines;
    std::uint32_t lineRate = 0;
};
