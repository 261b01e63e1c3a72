#pragma once

#include "records/RunRecord.h"

#include <QString>

// What a run knows of itself when it has ended, whichever front end ran it.
struct RunEnding
{
    bool programmed = false;    // the modem took everything
    bool quitRequested = false; // a stop, a Ctrl-C or a closing window cut the run short
    QString lostPort;           // the port whose device went away during the run; empty if none
    QString trouble;            // the refusal or the error that ended the run, where one did
    bool refused = false;       // the trouble is a refusal of the type's data before the modem
    int done = 0;               // the run's gauge at its end: files (or transfer-log lines)...
    int total = 0;              // ...done out of this many; 0 when nothing was counted
};

// How a run ended and why: what its record, the summary and a station's port all say.
struct RunOutcome
{
    RunResult result = RunResult::Failed;
    QString reason; // empty when programmed
    RunReason code = RunReason::None;
};

// The one place where a run's result and reason are decided, so that the window, the runner and
// a station record the same run alike.
RunOutcome JudgeRun(const RunEnding &Ending);
// Why a run that did not program its modem failed: a lost device first (whatever else went wrong
// followed from it), else the line that ended the run, with the files done out of all.
QString FailureReason(const RunEnding &Ending);
// A modem that did not answer the probe within the power-on wait: the port opened at some time
// (PortEverOpened) or not, with what was found about the port when it did not (OpenDiagnosis).
RunOutcome JudgeNoAnswer(bool PortEverOpened, const QString &OpenDiagnosis);
// A run's result in the word an operator reads beside the port: "запрограммирован", and the
// failures in capitals so that they stand out.
QString RunResultWord(RunResult Result);
// The reason of a run that was stopped.
QString InterruptedReason();
