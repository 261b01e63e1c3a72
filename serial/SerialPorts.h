#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What the port dialog offers: the machine's serial ports and, on Linux, the virtual ports
// announced by the modem simulator.
struct SerialPortInfo
{
    QString name;            // shown in the dialog: "COM3" on Windows; "ttyUSB0" for /dev/ttyUSB0,
                             // the full path otherwise
    QString description;     // maker and model where the system knows them, else empty
    QStringList stableNames; // a USB adapter's names that survive a re-plug (StableNamesOf)
};

// Windows: the ports registered under HKLM\HARDWARE\DEVICEMAP\SERIALCOMM, in the registry's
// order. Linux: the machine's serial ports (phantom 8250 ports left out, no port reconfigured)
// followed by the virtual ones, in a stable order.
QList<SerialPortInfo> ListSerialPorts();

#ifndef Q_OS_WIN
// The folder where a modem simulator leaves a link to its device for the dialog to list:
// $QUILLON_PORTS_DIR, else $XDG_RUNTIME_DIR/quillon-ports, else /tmp/quillon-ports.
QString VirtualPortFolder();
#endif

// The device a port name stands for. Windows: "COMn" is "\\.\COMn", anything else itself.
// Linux: "COMn" is the n-th serial port (/dev/ttyS{n-1}); an existing path is itself; a bare
// name is looked up in /dev; a path that does not exist as written is resolved component by
// component ignoring letter case (profiles upper-case the name).
QString ResolveDevicePath(const QString &CommPort);

// The CommPort that stands for an entry of the port dialog's list, and the entry that a CommPort
// stands for (matched ignoring case). Windows: the entry is the port's name as the runner takes
// it (COM12, opened as \\.\COM12), and a name in the device namespace stands for its entry.
// Linux: a device under /dev by its bare name, a port listed by full path (the simulator's virtual
// ports) as it is; COM1 stands for ttyS0 here as it does when the port is opened.
QString CommPortForEntry(const QString &Entry);
QString EntryForCommPort(const QString &CommPort);

// The device itself that a port name ends at, every link followed, so that a stable name
// (/dev/serial/by-id/...), any other link and the device are one port: the name its lock file,
// the duplicate check and the run record go by. Windows: ResolveDevicePath.
QString PortDevice(const QString &CommPort);

// Whether the device a port name stands for is there, told without opening it. None where the
// system cannot tell: a Windows COM port is no file, so a file test says it is missing whether or
// not it is plugged in.
std::optional<bool> DevicePresent(const QString &CommPort);

#ifndef Q_OS_WIN
// The stable names the system gives a USB adapter's device: the links in ByIdFolder that end at
// Device, sorted. None for a device without them.
QStringList StableNamesOf(const QString &Device,
                          const QString &ByIdFolder = QStringLiteral("/dev/serial/by-id"));
#endif
