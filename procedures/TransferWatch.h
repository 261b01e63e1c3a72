#pragma once

#include "procedures/TransferProgress.h"

#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <deque>

class ProcedureHost;

// Follows one file from the moment its bytes are queued until the wait for the modem's answer to
// them is over, and tells the host how many have left the port, a few times a second while the
// waits run. Made just before the bytes are queued; its end closes the transfer for the host.
class TransferWatch
{
public:
    TransferWatch(ProcedureHost &Host, const QString &Name, std::int64_t Total);
    ~TransferWatch();
    TransferWatch(const TransferWatch &) = delete;
    TransferWatch &operator=(const TransferWatch &) = delete;

private:
    struct Sample
    {
        qint64 atMs;
        std::int64_t sent;
    };
    void Report();
    std::int64_t Pace() const;

    ProcedureHost &host;
    TransferProgress progress;
    std::int64_t queuedBefore;
    QElapsedTimer clock;
    std::deque<Sample> samples;
    QTimer ticker;
};
