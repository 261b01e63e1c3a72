// The modem is asked to work at 9600 bit/s for the rest of the run, without storing the rate.
#include "atlink/TmyComm.h"
#include "procedures/ProcedureHost.h"
#include "procedures/ProcedureSteps.h"
#include "procedures/Procedures.h"

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;
using namespace procedures;

namespace {
constexpr std::uint32_t TargetRate = 9600;
constexpr auto AnswerTimeout = 3000ms;
constexpr auto SettleDelay = 200ms;
} // namespace

void SetModemBaud9600(ProcedureHost &Host)
{
    TmyComm &channel = Host.Channel();
    if (!channel.Comm->PortOpen() || channel.Comm->BaudRate() == TargetRate)
        return;
    Host.LogLine(u"Устанавливаю скорость порта 9600 (без запоминания)."_s);
    SendQuietly(Host, QByteArrayLiteral("AT+IPR=9600"), Ok, Error, AnswerTimeout);
    // A time-out is recognised before either answer, and "ERROR" before "OK": only a plain
    // agreement changes the rate.
    const QByteArray answer = LogFirstOutcome(Host, {{Timeout, u"таймаут"_s},
                                                     {Error, u"Ошибка. Скорость 9600 не задана."_s},
                                                     {Ok, u"Скорость 9600 задана."_s}});
    if (answer == Ok) {
        channel.Comm->ClosePort();
        channel.Comm->SetBaudRate(TargetRate);
        channel.Comm->OpenPort();
        PauseFor(SettleDelay);
    }
}
