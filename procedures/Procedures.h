#pragma once

#include "common/Failure.h"

#include <QString>

#include <cstdint>
#include <optional>

class ProcedureHost;
class TmyComm;

// The programming procedures, one per modem family; each returns true when the modem was written.
bool FlashVelmora(ProcedureHost &Host);
bool FlashTu41(ProcedureHost &Host);
bool FlashTc65(ProcedureHost &Host);

// Runs the procedure chosen by the lower-cased folder name of the modem type; false, with nothing
// sent, when the type has no procedure.
bool RunProcedureForType(const QString &DirName, ProcedureHost &Host);

// The family of modems whose procedure programs the type: "script", "java" or "replay"; empty for
// a type without a procedure.
QString ProcedureFamilyName(const QString &DirName);

// The type's data checked as its procedure will check it, before any port is touched: the
// refusal, or no value when the data can go to the modem (or the type has no procedure, which
// the run itself reports).
std::optional<Failure> TypeDataRefusal(const QString &DirName, const QString &DirPath);

// Asks the modem for Rate bit/s and reopens the port at that rate; logs the outcome through Host.
// Nothing happens when the port is closed or already at Rate. A rate the port cannot take is
// logged and never asked of the modem; the run goes on at the old rate, as after a refusal.
// May raise ECommsError from reopening the port.
void SetModemBaud(ProcedureHost &Host, std::uint32_t Rate);
