#include "TransferWatch.h"

#include "atlink/TmyComm.h"
#include "procedures/ProcedureHost.h"

#include <algorithm>
#include <chrono>

using namespace std::chrono_literals;

namespace {

constexpr std::chrono::milliseconds ReportEvery = 250ms;
// The pace is taken over this much of the recent past, and only once that much has passed: the
// driver's buffer swallows the first bytes faster than the line carries them.
constexpr qint64 PaceWindowMs = 3000;
constexpr qint64 PaceAfterMs = 1000;

} // namespace

TransferWatch::TransferWatch(ProcedureHost &Host, const QString &Name, std::int64_t Total)
    : host(Host), queuedBefore(Host.Channel().Comm->BytesQueued())
{
    progress.name = Name;
    progress.total = Total;
    clock.start();
    ticker.setInterval(ReportEvery);
    QObject::connect(&ticker, &QTimer::timeout, [this] { Report(); });
    ticker.start();
    host.ShowTransfer(progress);
}

TransferWatch::~TransferWatch()
{
    ticker.stop();
    Report();
    host.TransferEnded();
}

// Only news is reported: a long wait for the modem's answer after the last byte says nothing new.
void TransferWatch::Report()
{
    const TransferProgress shown = progress;
    const std::int64_t sent = host.Channel().Comm->BytesSent() - queuedBefore;
    progress.sent = std::clamp<std::int64_t>(sent, 0, progress.total);
    samples.push_back({clock.elapsed(), progress.sent});
    while (samples.size() > 2 && samples.back().atMs - samples[1].atMs >= PaceWindowMs)
        samples.pop_front();
    progress.bytesPerSecond = Pace();
    if (progress.sent != shown.sent || progress.bytesPerSecond != shown.bytesPerSecond)
        host.ShowTransfer(progress);
}

std::int64_t TransferWatch::Pace() const
{
    const Sample &first = samples.front();
    const Sample &last = samples.back();
    const qint64 span = last.atMs - first.atMs;
    if (last.atMs < PaceAfterMs || span <= 0)
        return 0;
    return (last.sent - first.sent) * 1000 / span;
}
