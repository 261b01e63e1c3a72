#include "FlashOutput.h"

#include "flash/ExitCodes.h"

#include <algorithm>

int FlashExitCode(const QList<PortResult> &Results, bool Interrupted)
{
    if (Interrupted)
        return FlashExit::Interrupted;
    const auto has = [&](PortOutcome Outcome) {
        return [Outcome](const PortResult &Result) { return Result.outcome == Outcome; };
    };
    if (!Results.isEmpty() &&
        std::all_of(Results.begin(), Results.end(), has(PortOutcome::NoAnswer))) {
        const bool noPortOpened =
            std::all_of(Results.begin(), Results.end(),
                        [](const PortResult &Result) { return Result.portNotOpened; });
        return noPortOpened ? FlashExit::PortNotOpened : FlashExit::NoModemAnswered;
    }
    if (std::all_of(Results.begin(), Results.end(), has(PortOutcome::Programmed)))
        return FlashExit::AllProgrammed;
    return FlashExit::SomeFailed;
}
