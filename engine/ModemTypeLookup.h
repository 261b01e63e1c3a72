#pragma once

#include "catalogue/ModemCatalogue.h"
#include "common/Failure.h"

#include <QString>

#include <optional>

// Finds Type among the folder names of DataFolder's catalogue, ignoring letter case as the type id
// does. A catalogue that cannot be read whole, or a type folder that is missing, is an error: a
// script is better stopped before any modem is touched. The catalogue entry a run programs, or why
// there is none to use.
Result<TDirObject> FindModemType(const QString &DataFolder, const QString &Type);

// What would make every run of Type refuse, checked before any port is touched: its data as its
// procedure checks it, a profile that cannot be read or whose write rate is none, line settings no
// port can take. The refusal, or no value when the runs can start.
std::optional<Failure> RunRefusal(const TDirObject &Type);

// The port the type's profile names, as the window would open it (a name the profile upper-cased
// is given back in the case the device has); empty when it names none.
QString ProfilePort(const TDirObject &Type);
