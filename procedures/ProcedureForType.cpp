#include "procedures/CompiledFolder.h"
#include "procedures/Procedures.h"
#include "procedures/TransferLog.h"

namespace {

enum class Family
{
    Script,
    Java,
    Replay
};

// The family whose procedure programs the type, by its lower-cased folder name.
std::optional<Family> FamilyOfType(const QString &DirName)
{
    const QString type = DirName.toLower();
    if (type == QLatin1StringView("tc65"))
        return Family::Replay;
    if (type == QLatin1StringView("velmora") || type == QLatin1StringView("velmora_prof") ||
        type == QLatin1StringView("velmorar4"))
        return Family::Script;
    if (type == QLatin1StringView("tu41"))
        return Family::Java;
    return std::nullopt;
}

} // namespace

bool RunProcedureForType(const QString &DirName, ProcedureHost &Host)
{
    const auto family = FamilyOfType(DirName);
    if (!family)
        return false;
    switch (*family) {
    case Family::Replay:
        return FlashTc65(Host);
    case Family::Script:
        return FlashVelmora(Host);
    case Family::Java:
        return FlashTu41(Host);
    }
    return false;
}

QString ProcedureFamilyName(const QString &DirName)
{
    const auto family = FamilyOfType(DirName);
    if (!family)
        return {};
    switch (*family) {
    case Family::Script:
        return QStringLiteral("script");
    case Family::Java:
        return QStringLiteral("java");
    case Family::Replay:
        break;
    }
    return QStringLiteral("replay");
}

std::optional<Failure> TypeDataRefusal(const QString &DirName, const QString &DirPath)
{
    const auto family = FamilyOfType(DirName);
    if (!family)
        return std::nullopt;
    if (*family == Family::Replay)
        return procedures::TransferLogRefusal(DirPath);
    return procedures::CompiledFilesRefusal(DirPath);
}
