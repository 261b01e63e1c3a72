#pragma once

#include "common/Failure.h"

#include <QString>

#include <optional>

// Data files are read only when they are regular files, after following links: opening a FIFO
// blocks until a writer comes, a device is read without end, and a folder cannot be read at all.
// Nothing here opens the path.

// Why Path is not to be read as a file (BadFile, a line for the user naming it); no value when it
// is a regular file or does not exist (the callers tell a missing file apart themselves).
std::optional<Failure> NotRegularFileProblem(const QString &Path);
