#pragma once

#include "engine/RunEvents.h"

#include <QElapsedTimer>
#include <QList>
#include <QSet>
#include <QString>

#include <mutex>

// The session every port of a station shares: which modems have been programmed (by IMEI) and
// each port's counts. Safe from any thread.
class StationSession
{
public:
    explicit StationSession(int Ports);

    bool programmedBefore(const QString &Imei) const;
    // Counts a modem's run on Port and returns the port's new counts. A programmed modem's IMEI
    // is remembered for the rest of the session.
    StationTally count(int Port, const PortResult &Result);
    // Port stops before the quit request for Reason; returns the port's counts.
    StationTally stopped(int Port, const QString &Reason);
    QList<StationTally> tallies() const;
    qint64 elapsedMs() const { return clock.elapsed(); }

private:
    mutable std::mutex lock;
    QSet<QString> programmed;
    QList<StationTally> ports;
    QElapsedTimer clock;
};

// Programmed modems per hour over a session of ElapsedMs; 0 for an empty session.
double ModemsPerHour(int Programmed, qint64 ElapsedMs);
