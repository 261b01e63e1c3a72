#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

// Turns SIGINT and SIGTERM (Ctrl-C, Ctrl-Break and closing the console on Windows) into Qt
// signals on the thread that made this object: the first is a request to stop, the second to stop
// at once (the runs still record and report themselves and release their ports). Should that not
// end the process within two seconds, or should a third come, the process ends there and then
// with status 130. One instance per process.
class InterruptSignals : public QObject
{
    Q_OBJECT
public:
    InterruptSignals();
    ~InterruptSignals() override;

signals:
    void interrupted();
    void interruptedAgain();

private:
#ifndef Q_OS_WIN
    void drain();

    int pipeFds[2] = {-1, -1};
    int announced = 0; // signals passed on so far
    std::unique_ptr<QSocketNotifier> notifier;
#endif
};
