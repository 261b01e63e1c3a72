#pragma once

#include "procedures/ProcedureHost.h"
#include "records/RunRecord.h"

#include <QList>
#include <QString>

// The record of a run of the type DirName on Port that starts now: type, family, the port as
// given and the device it ends at. The runner and the window record their runs alike.
RunRecord StartRecordOf(const QString &DirName, const QString &Port);

// Adds a file that went to the modem to a run's files, each file once in the order first sent: a
// file sent again counts one attempt more and takes the outcome of its last attempt.
void AddSentFile(QList<RecordedFile> &Files, const SentFile &File);
