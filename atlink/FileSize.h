#pragma once

#include <QString>

#include <cstdint>

// Size in bytes of the first file-system entry matching FileName, or -1.
std::int64_t FileSizeOf(const QString &FileName);
