#include "PortDiagnosis.h"

#include "procedures/ProcedureSteps.h"
#include "serial/SerialPorts.h"
#include "serial/TComm32.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

bool IsProcessFolder(const QString &Name)
{
    bool number = false;
    Name.toUInt(&number);
    return number;
}

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

QString PortStepHint(const QString &Problem)
{
    QStringList hints;
    if (!Problem.isEmpty())
        hints.append(Problem);
    if (ModemManagerRunning())
        hints.append(ModemManagerWarning());
    return hints.join(QStringLiteral("\n\n"));
}

bool ModemManagerRunning(const QString &ProcFolder)
{
    const QDir proc(ProcFolder);
    const QStringList entries = proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        if (!IsProcessFolder(entry))
            continue;
        QFile comm(proc.filePath(entry + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "ModemManager")
            return true;
    }
    return false;
}

QString ModemManagerWarning()
{
    return QStringLiteral("Запущена служба ModemManager: она опрашивает новые порты АТ-командами и "
                          "может помешать записи. Остановите её на время работы: "
                          "sudo systemctl stop ModemManager");
}

std::optional<QString> PortSettingsRefusal(const TComm32 &Port)
{
    if (Port.ByteSize() < sz_5)
        return procedures::RefusalLine(
            QStringLiteral("Биты данных: %1. СОМ-порт передает от 5 до 8 бит данных.")
                .arg(Port.ByteSize() + 4));
    if (Port.StopBits() == sb1_5 && Port.ByteSize() != sz_5)
        return procedures::RefusalLine(
            QStringLiteral("Стоповые биты: 1,5. Они возможны только при 5 битах данных."));
    return std::nullopt;
}
