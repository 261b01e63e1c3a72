#pragma once

#include "records/RunLogFile.h"
#include "records/RunRecord.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

// What the window keeps of its runs, in the user's data folder: the record of each run appended
// to runs.jsonl, as quillon-flash --record writes it, and the run's log as a UTF-8 text file of
// its own in logs/, named by the run's start, type and port, each line after the time it was
// written (UTC, as the record's times; the window shows its log without them); the oldest logs
// beyond the last KeptLogs are removed. Nothing of it is shown: a run goes on as it went when a
// file cannot be written.
class RunArchive
{
public:
    static constexpr int KeptLogs = 1000;

    // $XDG_DATA_HOME/quillon (~/.local/share/quillon); %LOCALAPPDATA%/quillon on Windows.
    static QString DefaultFolder();

    explicit RunArchive(QString Folder = DefaultFolder());

    // False when the record or the log could not be written. The record names its log.
    bool keep(RunRecord Record, const QList<LoggedLine> &Log) const;

    QString recordFile() const;
    QString logFolder() const;
    // "20261207-203309_velmora_ttyUSB0.log": start (UTC), type, and the port without /dev/, every
    // character a file name cannot hold as "_".
    static QString LogName(const QDateTime &Start, const QString &Type, const QString &Port);

private:
    void pruneLogs() const;

    const QString folder;
};
