#include "SerialPorts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace {

const QString SysTtyFolder = QStringLiteral("/sys/class/tty");
const QString DevicePrefix = QStringLiteral("/dev/");
constexpr int CommPortEntryLength = 99;

QString readSysfsText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).trimmed();
}

// "ttyS2" sorts before "ttyS10".
bool naturalLess(const QString &left, const QString &right)
{
    static const QRegularExpression split(QStringLiteral("^(.*?)(\\d*)$"));
    const QRegularExpressionMatch a = split.match(left);
    const QRegularExpressionMatch b = split.match(right);
    if (a.captured(1) != b.captured(1))
        return a.captured(1) < b.captured(1);
    if (a.captured(2).size() != b.captured(2).size())
        return a.captured(2).size() < b.captured(2).size();
    return a.captured(2) < b.captured(2);
}

// Maker and model from the nearest USB device above the port, if there is one.
QString usbDescription(const QString &devicePath)
{
    for (QDir dir(devicePath);
         !dir.isRoot() && dir.absolutePath().startsWith(QStringLiteral("/sys")); dir.cdUp()) {
        if (!QFile::exists(dir.filePath(QStringLiteral("idVendor"))))
            continue;
        const QString maker = readSysfsText(dir.filePath(QStringLiteral("manufacturer")));
        const QString model = readSysfsText(dir.filePath(QStringLiteral("product")));
        return QStringList{maker, model}.join(QLatin1Char(' ')).trimmed();
    }
    return {};
}

QList<SerialPortInfo> machinePorts()
{
    QStringList names =
        QDir(SysTtyFolder).entryList(QDir::Dirs | QDir::System | QDir::NoDotAndDotDot);
    std::sort(names.begin(), names.end(), naturalLess);
    QList<SerialPortInfo> ports;
    for (const QString &name : names) {
        const QString entry = SysTtyFolder + QLatin1Char('/') + name;
        const QFileInfo device(entry + QStringLiteral("/device"));
        if (!device.exists())
            continue; // virtual consoles and the like
        // Serial-core ports without a UART behind them report type 0 (the usual ttyS1..ttyS31).
        if (readSysfsText(entry + QStringLiteral("/type")) == QStringLiteral("0"))
            continue;
        ports.append({name, usbDescription(device.canonicalFilePath()),
                      StableNamesOf(QStringLiteral("/dev/") + name)});
    }
    return ports;
}

QList<SerialPortInfo> virtualPorts()
{
    QDir folder(VirtualPortFolder());
    QList<SerialPortInfo> ports;
    const QFileInfoList links =
        folder.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &link : links) {
        if (link.isSymLink() && link.exists())
            ports.append({link.absoluteFilePath(), QString(), {}});
    }
    return ports;
}

// Finds `component` in `folder`, ignoring letter case when the exact name is not there.
QString matchComponent(const QString &folder, const QString &component)
{
    const QDir dir(folder);
    if (dir.exists(component))
        return component;
    const QStringList entries = dir.entryList(
        QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &entry : entries) {
        if (entry.compare(component, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return {};
}

QString resolveIgnoringCase(const QString &path)
{
    const QString absolute = QDir::cleanPath(QDir::current().absoluteFilePath(path));
    QString resolved = QStringLiteral("/");
    const QStringList components = absolute.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &component : components) {
        const QString found = matchComponent(resolved, component);
        if (found.isEmpty())
            return path;
        resolved = QDir(resolved).filePath(found);
    }
    return resolved;
}

} // namespace

QList<SerialPortInfo> ListSerialPorts()
{
    return machinePorts() + virtualPorts();
}

QString VirtualPortFolder()
{
    QString chosen = qEnvironmentVariable("QUILLON_PORTS_DIR");
    if (!chosen.isEmpty())
        return chosen;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        return runtime + QStringLiteral("/quillon-ports");
    return QStringLiteral("/tmp/quillon-ports");
}

QString ResolveDevicePath(const QString &CommPort)
{
    if (CommPort.isEmpty())
        return {};
    static const QRegularExpression numbered(QStringLiteral("^COM([1-9]\\d{0,3})$"),
                                             QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch com = numbered.match(CommPort);
    if (com.hasMatch())
        return QStringLiteral("/dev/ttyS%1").arg(com.captured(1).toInt() - 1);
    if (QFileInfo::exists(CommPort))
        return CommPort;
    if (!CommPort.contains(QLatin1Char('/')))
        return resolveIgnoringCase(QStringLiteral("/dev/") + CommPort);
    return resolveIgnoringCase(CommPort);
}

QString CommPortForEntry(const QString &Entry)
{
    return Entry.startsWith(u'/') ? Entry : DevicePrefix + Entry;
}

QString EntryForCommPort(const QString &CommPort)
{
    QString device = ResolveDevicePath(CommPort);
    if (device.startsWith(DevicePrefix, Qt::CaseInsensitive))
        return device.mid(DevicePrefix.size(), CommPortEntryLength);
    return device;
}

QString PortDevice(const QString &CommPort)
{
    const QString path = ResolveDevicePath(CommPort);
    const QString device = QFileInfo(path).canonicalFilePath();
    return device.isEmpty() ? path : device;
}

std::optional<bool> DevicePresent(const QString &CommPort)
{
    return QFileInfo::exists(ResolveDevicePath(CommPort));
}

QStringList StableNamesOf(const QString &Device, const QString &ByIdFolder)
{
    const QString target = QFileInfo(Device).canonicalFilePath();
    QStringList names;
    if (target.isEmpty())
        return names;
    const QFileInfoList links =
        QDir(ByIdFolder)
            .entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &link : links) {
        if (link.isSymLink() && link.canonicalFilePath() == target)
            names.append(link.absoluteFilePath());
    }
    return names;
}
