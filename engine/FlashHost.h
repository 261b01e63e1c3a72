#pragma once

#include "engine/RunEvents.h"
#include "procedures/PowerOnStep.h"
#include "records/RunRecord.h"

#include <QString>

#include <atomic>

// The run's host without a window: log lines and gauge moves go to the observer, the quit
// request is the runner's flag for this port, and an error box becomes a log line.
class FlashHost : public PowerOnHost
{
public:
    FlashHost(TmyComm &Channel, QString DirPath, int Port, RunObserver &Observer,
              const std::atomic<bool> &Quit);

    void LogLine(const QString &Text) override;
    // A refusal is kept as the reason for the summary.
    void LogFailure(const Failure &Reason) override;
    void NoteFailure(const QString &Reason) override { lastError = Reason; }
    void SetGaugeMaximum(int Maximum) override;
    void SetGaugePosition(int Position) override;
    int GaugePosition() const override { return progressNow.done; }
    QStringList ListFolder(const QString &Folder) override;
    QString SelectedDirPath() const override { return dirPath; }
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
    // Logs an error that ended the run and keeps it as the reason for the summary.
    void reportError(const QString &Text);
    // Why a run that did not program its modem failed: the refusal line that ended it, else the
    // error, with the files done out of all.
    QString failureReason() const;
    // The files the run sent, each once in the order first sent, with its attempts.
    const QList<RecordedFile> &sentFiles() const { return files; }
    // The port's rate when writing began; 0 when it never did.
    std::uint32_t writingRate() const { return lineRate; }

private:
    void reportProgress();

    TmyComm &channel;
    const QString dirPath;
    const int port;
    RunObserver &observer;
    const std::atomic<bool> &quit;
    PortProgress progressNow;
    QString lastError;
    QString refusal; // the line that refused the run before anything reached the modem
    QString openDiagnosis;
    int maxAttempts = 0;
    QList<RecordedFile> files;
    std::uint32_t lineRate = 0;
};
