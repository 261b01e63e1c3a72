#pragma once

#include <QByteArray>
#include <QString>

class ProcedureHost;

// The serial number (IMEI) in a modem's answer to "AT+CGSN": the one line of letters and digits
// before "OK", a "+CGSN:" prefix and quotes left out; empty when there is none.
QString IdentityInAnswer(const QByteArray &Reply);

// Asks the modem that has just answered its probe for its serial number and logs it. A modem that
// answers ERROR, or not at all, has none: that is not a failure, only an unknown identity (empty).
QString ReadModemIdentity(ProcedureHost &Host);
