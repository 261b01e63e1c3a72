#pragma once

#include "common/Failure.h"

#include <QString>
#include <QStringList>

#include <optional>

class ProcedureHost;

namespace procedures {

// The files a script or application procedure sends: the plain files of the modem type's
// "compiled" folder, listed afresh for every run.
struct CompiledFiles
{
    QString Folder;
    QStringList Names;

    QString PathOf(const QString &Name) const { return Folder + QLatin1Char('/') + Name; }
};

// Lists the folder, sets the gauge to 0 of the file count and checks every file before anything
// is sent, so that a run is never cut short half-way by a file that cannot go to the modem. On
// the first problem it logs one line naming the file and the reason and returns no value.
std::optional<CompiledFiles> ListCompiledFiles(ProcedureHost &Host);

// The same check without a run, before any port is opened: the refusal ListCompiledFiles would
// log for the type folder DirPath, or no value when every file can go to the modem.
std::optional<Failure> CompiledFilesRefusal(const QString &DirPath);

} // namespace procedures
