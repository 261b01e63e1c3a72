#include "PortDiagnosis.h"

#include "serial/SerialPorts.h"

#include <QFileInfo>

QString PortOpenFailureHint(const QString &CommPort, const QString &ErrorText)
{
    const QString device = ResolveDevicePath(CommPort);
    const QFileInfo info(device);
    if (device.isEmpty() || !info.exists())
        return QStringLiteral("Устройство %1 не найдено. Проверьте, подключен ли модем и выбран "
                              "ли верный порт.")
            .arg(CommPort);
    if (!info.isReadable() || !info.isWritable())
        return QStringLiteral("Нет доступа к %1. Добавьте пользователя в группу dialout "
                              "(sudo usermod -aG dialout $USER) и войдите в систему заново.")
            .arg(device);
    return QStringLiteral("Порт %1 не открывается: %2. Возможно, он занят другой программой.")
        .arg(device, ErrorText);
}
