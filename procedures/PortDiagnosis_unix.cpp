#include "PortDiagnosis.h"

#include "atlink/CommsErrorText.h"

#include "serial/SerialPorts.h"
#include "serial/TComm32.h"
#include "serial/UucpLock_unix.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <optional>

namespace {

QString ProcessName(const QDir &Proc, const QString &Pid)
{
    QFile comm(Proc.filePath(Pid + QStringLiteral("/comm")));
    return comm.open(QIODevice::ReadOnly) ? QString::fromUtf8(comm.readAll().trimmed()) : QString();
}

QString ProgramText(const QDir &Proc, const QString &Pid)
{
    const QString name = ProcessName(Proc, Pid);
    return QCoreApplication::translate("PortDiagnosis", "программой %1 (процесс %2)")
        .arg(name.isEmpty() ? QStringLiteral("?") : name, Pid);
}

// The number of a pseudo-terminal's far end (/dev/pts/3 -> 3), or none for other devices.
std::optional<int> PseudoTerminalNumber(const QString &Device)
{
    static const QRegularExpression far(QStringLiteral("^/dev/pts/(\\d+)$"));
    const QRegularExpressionMatch match = far.match(Device);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toInt();
}

// Whether a descriptor is the near (master) end of the pseudo-terminal Number. The kernel says
// which one in the descriptor's fdinfo; where it does not, any master counts.
bool IsMasterOf(const QDir &Process, const QFileInfo &Descriptor, int Number)
{
    const QString target = Descriptor.symLinkTarget();
    if (target != QStringLiteral("/dev/ptmx") && target != QStringLiteral("/dev/pts/ptmx"))
        return false;
    QFile info(Process.filePath(QStringLiteral("fdinfo/") + Descriptor.fileName()));
    if (!info.open(QIODevice::ReadOnly))
        return true;
    static const QRegularExpression index(QStringLiteral("^tty-index:\\s*(\\d+)"),
                                          QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = index.match(QString::fromLatin1(info.readAll()));
    return !match.hasMatch() || match.captured(1).toInt() == Number;
}

// The program other than this one that has Device open, as "программой name (процесс pid)";
// empty when none can be seen (another user's processes keep their descriptors to themselves).
// The program that made a pseudo-terminal holds its far end too, but it is only the other side
// of the line: the one to name is the program that uses the far end.
QString HolderOf(const QString &Device, const QString &ProcFolder)
{
    const QString target = QFileInfo(Device).canonicalFilePath();
    const std::optional<int> pseudoTerminal = PseudoTerminalNumber(target);
    const QString self = QString::number(QCoreApplication::applicationPid());
    const QDir proc(ProcFolder);
    for (const QString &pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (!IsProcessFolder(pid) || pid == self)
            continue;
        const QDir process(proc.filePath(pid));
        const QFileInfoList descriptors =
            QDir(process.filePath(QStringLiteral("fd"))).entryInfoList(QDir::Files | QDir::System);
        bool holds = false;
        bool isNearEnd = false;
        for (const QFileInfo &descriptor : descriptors) {
            holds = holds || descriptor.symLinkTarget() == target;
            isNearEnd =
                isNearEnd || (pseudoTerminal && IsMasterOf(process, descriptor, *pseudoTerminal));
        }
        if (holds && !isNearEnd)
            return ProgramText(proc, pid);
    }
    return {};
}

} // namespace

QString PortOpenFailureHint(const QString &CommPort, const ECommsError &OpenError,
                            const QString &ProcFolder)
{
    const QString device = PortDevice(CommPort);
    const QFileInfo info(device);
    if (device.isEmpty() || !info.exists())
        return QCoreApplication::translate(
                   "PortDiagnosis",
                   "Устройство %1 не найдено. Проверьте, подключен ли модем и выбран "
                   "ли верный порт.")
            .arg(CommPort);
    if (!info.isReadable() || !info.isWritable())
        return QCoreApplication::translate(
                   "PortDiagnosis", "Нет доступа к %1. Добавьте пользователя в группу dialout "
                                    "(sudo usermod -aG dialout $USER) и войдите в систему заново.")
            .arg(device);
    // The lock file speaks for its owner even while the owner has the device closed.
    if (const auto lock = serial::ForeignLockOn(QFile::encodeName(device)))
        return QCoreApplication::translate(
                   "PortDiagnosis",
                   "Порт %1 занят %2: файл блокировки %3. Закройте её или выберите "
                   "другой порт.")
            .arg(device, ProgramText(QDir(ProcFolder), QString::number(lock->owner)), lock->file);
    const QString holder = HolderOf(device, ProcFolder);
    if (!holder.isEmpty())
        return QCoreApplication::translate(
                   "PortDiagnosis", "Порт %1 занят %2. Закройте её или выберите другой порт.")
            .arg(device, holder);
    if (OpenError.fault() != CommsFault::OpenFailed)
        return QCoreApplication::translate("PortDiagnosis", "Порт %1 не открывается: %2")
            .arg(device, CommsErrorText(OpenError).trimmed());
    return QCoreApplication::translate(
               "PortDiagnosis", "Порт %1 не открывается. Возможно, он занят другой программой.")
        .arg(device);
}
