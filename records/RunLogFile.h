#pragma once

#include "common/Failure.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

// A run's log kept as a UTF-8 text file of its own, as the window and the runner keep them.

// One line of a log and when it was written.
struct LoggedLine
{
    QDateTime time;
    QString text;
};

// Each line after the time it was written (UTC, as the records' times); a line that spans several
// (a modem's answer) carries its time on each of them.
QStringList TimedLines(const QList<LoggedLine> &Log);

// "20261207-203309_velmora_ttyUSB0.log": the run's start (UTC), then each non-empty part, a port
// without its leading /dev/, every character a file name cannot hold on any system as "_".
QString RunLogName(const QDateTime &Start, const QStringList &Parts);

// Writes Lines, one a line, to a new file Name in Folder (made when missing); a run whose name
// is taken within the same second gets "-2", "-3"... The file's absolute path, or why it could not
// be written.
Result<QString> WriteRunLog(const QString &Folder, const QString &Name, const QStringList &Lines);
