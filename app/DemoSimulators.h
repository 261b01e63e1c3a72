#pragma once

#include "common/Failure.h"

#include <QList>
#include <QString>

#include <memory>
#include <optional>

class QProcess;

// The demo's modems: one quillon-modemsim for each demo type, on the virtual port its upload.ini
// names, so that an installed Quillon can be tried without a modem. They live as long as this
// object; a simulator that ends early leaves its type without a modem, as an unplugged one.
class DemoSimulators
{
public:
    // The demo types installed with the program.
    static QString DemoFolder();
    // Where the simulators leave their ports: $QUILLON_PORTS_DIR, else the folder the demo's
    // profiles name.
    static QString PortsFolder();

    DemoSimulators(QString Simulator, QString TypesFolder, QString Ports);
    ~DemoSimulators();
    DemoSimulators(const DemoSimulators &) = delete;
    DemoSimulators &operator=(const DemoSimulators &) = delete;

    // Starts them and waits until each port is there; what kept one from starting otherwise.
    std::optional<Failure> start();

private:
    void startOne(const QString &Name, const QStringList &Arguments);

    const QString simulator;
    const QString typesFolder;
    const QString portsFolder;
    QList<std::shared_ptr<QProcess>> running;
};
