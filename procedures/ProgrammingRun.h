#pragma once

#include "procedures/ProcedureHost.h"

#include <QString>

#include <exception>

// The programming run after the modem has answered its probe, shared by the main window and the
// headless runner so that both do exactly the same.
class RunHost : public ProcedureHost
{
public:
    // Sets the status line (where there is one), then LogLine of the same text.
    virtual void SetStatus(const QString &Text) = 0;
    // The probe is over: stop the probe and power-on timers, gauge back to 0.
    virtual void ProbeFinished() = 0;
    // The baud-rate switch is done and writing begins (the window disables the modem list).
    virtual void WritingStarted() = 0;
};

// The probe: clears the replies and queues "ATE0\r\n".
void SendProbe(TmyComm &Channel);
// True when the reply holds "OK" anywhere (case-sensitive).
bool ProbeAnswered(const TmyComm &Channel);

// Texts of the run that the window and the headless runner both write.
// The log line of the modem type chosen for a run, whichever front end chose it.
QString ModemChosenText(const QString &Title);
QString WaitingForPortText(); // step 2: opening the port
QString WritingText();        // the status while the data go to the modem
QString RunSucceededText();   // "Операция успешно завершена"
QString RunFailedText(); // "Во время опереации произошел сбой. Повторите операцию с шага №1."
// The device behind Port went away during the run.
QString DeviceLostText(const QString &Port);
// The line a user is shown for an error that ended a step. The two errors the design raises,
// ECommsError (a port that cannot be opened) and EConvertError (a value that is not a number),
// carry a text written for the user, which is shown as it stands. Anything else is a fault of
// the program: the user reads one general line and the error's text goes to the developer's
// output.
QString ErrorLine(const std::exception &Caught);

// From "Отклик модема получен" to the outcome line: the baud-rate switch, the procedure of the
// type DirName, closing the port, and the outcome logged. Returns whether the modem was written.
// A quit request or a lost device ends the wait it meets at once and holds back every further
// command but the procedure's closing ones; a lost device is named in the log.
// An error escaping the procedure counts as a failure (port closed, failure line logged); an
// error from reopening the port in the baud-rate switch propagates to the caller.
bool PerformProgrammingRun(RunHost &Host, const QString &DirName);
