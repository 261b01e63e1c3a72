#pragma once

#include "records/RunRecord.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>

// One run of the shift as its record tells it: what the table shows and what finds its log.
struct ShiftRun
{
    QDateTime start; // UTC
    QDateTime end;   // UTC
    QString type;
    QString port;
    QString imei; // empty when the modem did not say
    RunResult result = RunResult::Failed;
    QString reason;
    QString log; // the file that keeps the run's log; empty when none was kept
};

// The runs of one shift, read from the record file the station appends to: those that started
// since the shift began on the station's own ports (other programs may share the file). Reads
// only what was appended since the last look, so a long file costs nothing per modem.
class ShiftRuns
{
public:
    ShiftRuns(QString RecordFile, QDateTime ShiftStart, QStringList Ports);

    // True when runs were added. A line being written is left for the next look; a line that is
    // no record is passed over.
    bool refresh();
    const QList<ShiftRun> &runs() const { return shift; }

private:
    const QString path;
    const QDateTime since;
    const QStringList ports;
    qint64 readUpTo = 0;
    QList<ShiftRun> shift;
};

// Programmed and failed runs in one slice of the shift.
struct ShiftSlice
{
    QDateTime start;
    int programmed = 0;
    int failed = 0; // runs that did not program their modem, interrupted ones aside
};

// The shift from Start to End in slices of Slice, each run counted in the slice it ended in.
QList<ShiftSlice> SliceShift(const QList<ShiftRun> &Runs, const QDateTime &Start,
                             const QDateTime &End, std::chrono::minutes Slice);
