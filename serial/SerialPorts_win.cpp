#include "SerialPorts.h"

#include <QHash>
#include <QRegularExpression>

// clang-format off
#include <windows.h>
#include <initguid.h>
#include <devguid.h>
#include <setupapi.h>
// clang-format on

namespace {

const QString DeviceNamespace = QStringLiteral("\\\\.\\");
constexpr int CommPortEntryLength = 99;

// A registry string: its stored size in bytes, without the terminating zero it may carry.
QString registryText(const wchar_t *text, DWORD bytes)
{
    QString value = QString::fromWCharArray(text, static_cast<qsizetype>(bytes / sizeof(wchar_t)));
    while (value.endsWith(QChar(u'\0')))
        value.chop(1);
    return value;
}

// "USB Serial Port (COM3)" and the like, by upper-cased port name, for the ports the device
// manager knows.
QHash<QString, QString> friendlyNames()
{
    QHash<QString, QString> names;
    const HDEVINFO devices =
        SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE)
        return names;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
        const HKEY key =
            SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE)
            continue;
        wchar_t port[64];
        DWORD portBytes = sizeof port;
        DWORD type = 0;
        const bool named =
            RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE *>(port),
                             &portBytes) == ERROR_SUCCESS &&
            type == REG_SZ;
        RegCloseKey(key);
        wchar_t friendly[256];
        DWORD friendlyBytes = 0;
        if (named && SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_FRIENDLYNAME,
                                                       nullptr, reinterpret_cast<BYTE *>(friendly),
                                                       sizeof friendly, &friendlyBytes))
            names.insert(registryText(port, portBytes).toUpper(),
                         registryText(friendly, friendlyBytes));
    }
    SetupDiDestroyDeviceInfoList(devices);
    return names;
}

} // namespace

// The serial devices the system registers: a value named after the driver's device
// ("\Device\Serial0") holds the port name; any other value stands for itself by its name.
QList<SerialPortInfo> ListSerialPorts()
{
    QList<SerialPortInfo> ports;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return ports;
    const QHash<QString, QString> descriptions = friendlyNames();
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = sizeof name / sizeof name[0];
        wchar_t data[256];
        DWORD dataBytes = sizeof data;
        DWORD type = 0;
        const LONG result = RegEnumValueW(key, index, name, &nameLength, nullptr, &type,
                                          reinterpret_cast<BYTE *>(data), &dataBytes);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result != ERROR_SUCCESS)
            continue; // a name or port too long to be a serial port
        QString entry = QString::fromWCharArray(name, nameLength);
        if (entry.toLower().contains(QStringLiteral("\\device")) && type == REG_SZ)
            entry = registryText(data, dataBytes);
        ports.append({entry, descriptions.value(entry.toUpper()), {}});
    }
    RegCloseKey(key);
    return ports;
}

// COM10 and up open only through the device namespace, so a bare COM name is given the prefix;
// every other name is opened as it stands.
QString ResolveDevicePath(const QString &CommPort)
{
    static const QRegularExpression numbered(QStringLiteral("^COM[1-9]\\d{0,3}$"),
                                             QRegularExpression::CaseInsensitiveOption);
    if (numbered.match(CommPort).hasMatch())
        return DeviceNamespace + CommPort;
    return CommPort;
}

// The list's names are the ports' own (COM12): taken as they stand, they open as the runner opens
// them and the run's record names them as the runner's does.
QString CommPortForEntry(const QString &Entry)
{
    return Entry;
}

QString EntryForCommPort(const QString &CommPort)
{
    if (CommPort.startsWith(DeviceNamespace))
        return CommPort.mid(DeviceNamespace.size(), CommPortEntryLength);
    return CommPort;
}

QString PortDevice(const QString &CommPort)
{
    return ResolveDevicePath(CommPort);
}

std::optional<bool> DevicePresent(const QString &)
{
    return std::nullopt;
}
