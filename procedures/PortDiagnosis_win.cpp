#include "PortDiagnosis.h"

#include "atlink/CommsErrorText.h"
#include "serial/SerialPorts.h"

#include <QCoreApplication>

// Windows does not say why a port cannot be opened; a port that the system lists is there, so
// it is most likely held by another program.
QString PortOpenFailureHint(const QString &CommPort, const ECommsError &OpenError, const QString &)
{
    const QString devicePrefix = QStringLiteral("\\\\.\\");
    const QString name =
        CommPort.startsWith(devicePrefix) ? CommPort.mid(devicePrefix.size()) : CommPort;
    bool listed = false;
    for (const SerialPortInfo &port : ListSerialPorts())
        listed = listed || port.name.compare(name, Qt::CaseInsensitive) == 0;
    if (name.isEmpty() || !listed)
        return QCoreApplication::translate(
                   "PortDiagnosis", "Порт %1 не найден в системе. Проверьте, подключен ли модем, и "
                                    "выберите порт из списка.")
            .arg(name);
    return QCoreApplication::translate(
               "PortDiagnosis", "Порт %1 не открывается: %2. Возможно, он занят другой программой.")
        .arg(name, CommsErrorText(OpenError));
}
