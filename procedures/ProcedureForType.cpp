#include "procedures/Procedures.h"

std::optional<bool> RunProcedureForType(const QString &DirName, ProcedureHost &Host)
{
    const QString type = DirName.toLower();
    if (type == QLatin1StringView("tc65"))
        return FlashTc65(Host);
    if (type == QLatin1StringView("velmora") || type == QLatin1StringView("velmora_prof") ||
        type == QLatin1StringView("velmorar4"))
        return FlashVelmora(Host);
    if (type == QLatin1StringView("tu41"))
        return FlashTu41(Host);
    return std::nullopt;
}
