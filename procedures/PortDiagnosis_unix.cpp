#include "PortDiagnosis.h"

#include "serial/SerialPorts.h"
#include "serial/TComm32.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString ProcessName(const QDir &Proc, const QString &Pid)
{
    QFile comm(Proc.filePath(Pid + QStringLiteral("/comm")));
    return comm.open(QIODevice::ReadOnly) ? QString::fromUtf8(comm.readAll().trimmed()) : QString();
}

// The program other than this one that has Device open, as "name (процесс pid)"; empty when none
// can be seen (another user's processes keep their descriptors to themselves).
QString HolderOf(const QString &Device, const QString &ProcFolder)
{
    const QString target = QFileInfo(Device).canonicalFilePath();
    const QString self = QString::number(QCoreApplication::applicationPid());
    const QDir proc(ProcFolder);
    for (const QString &pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (!IsProcessFolder(pid) || pid == self)
            continue;
        const QFileInfoList descriptors = QDir(proc.filePath(pid + QStringLiteral("/fd")))
                                              .entryInfoList(QDir::Files | QDir::System);
        for (const QFileInfo &descriptor : descriptors) {
            if (descriptor.symLinkTarget() == target)
                return QStringLiteral("%1 (процесс %2)").arg(ProcessName(proc, pid), pid);
        }
    }
    return {};
}

} // namespace

QString PortOpenFailureHint(const QString &CommPort, const QString &ErrorText,
                            const QString &ProcFolder)
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
    const QString holder = HolderOf(device, ProcFolder);
    if (!holder.isEmpty())
        return QStringLiteral("Порт %1 занят программой %2. Закройте её или выберите другой порт.")
            .arg(device, holder);
    if (ErrorText != OpenFailedText())
        return QStringLiteral("Порт %1 не открывается: %2").arg(device, ErrorText.trimmed());
    return QStringLiteral("Порт %1 не открывается. Возможно, он занят другой программой.")
        .arg(device);
}
