#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

// Turns SIGINT and SIGTERM (Ctrl-C, Ctrl-Break and closing the console on Windows) into a Qt
// signal on the thread that made this object. A second signal ends the process at once with
// status 130, for a run that is stuck in a long wait. One instance per process.
class InterruptSignals : public QObject
{
    Q_OBJECT
public:
    InterruptSignals();
    ~InterruptSignals() override;

signals:
    void interrupted();

private:
#ifndef Q_OS_WIN
    void drain();

    int pipeFds[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier;
#endif
};
