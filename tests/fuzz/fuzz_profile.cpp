// The port profile parser on arbitrary file content.
#include "atlink/PortProfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray content(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    for (const QByteArray &line : ProfileLines(content))
        ParsePortSetting(line);
    return 0;
}
