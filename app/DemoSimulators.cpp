#include "DemoSimulators.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <chrono>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#endif

using namespace std::chrono_literals;

namespace {

// A simulator makes its pseudo-terminal in a few milliseconds; a loaded machine may take seconds.
constexpr auto StartPatience = 10s;
constexpr auto StopPatience = 3s;

// The demo types and the simulator that answers as each: family and its own options.
struct DemoModem
{
    QString name;
    QStringList arguments;
};

QList<DemoModem> demoModems(const QString &TypesFolder)
{
    return {
        {QStringLiteral("velmora"), {QStringLiteral("--family"), QStringLiteral("script")}},
        // A modem that takes its input at the pace of a real line, so the write rate shows.
        {QStringLiteral("tu41"),
         {QStringLiteral("--family"), QStringLiteral("java"), QStringLiteral("--line-rate"),
          QStringLiteral("9600")}},
        {QStringLiteral("tc65"),
         {QStringLiteral("--family"), QStringLiteral("replay"), QStringLiteral("--transfer-log"),
          TypesFolder + QStringLiteral("tc65/transfer_fw.log")}},
    };
}

} // namespace

QString DemoSimulators::DemoFolder()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/demo/");
}

QString DemoSimulators::PortsFolder()
{
    const QString given = qEnvironmentVariable("QUILLON_PORTS_DIR");
    return given.isEmpty() ? QStringLiteral("/tmp/quillon-ports") : given;
}

DemoSimulators::DemoSimulators(QString Simulator, QString TypesFolder, QString Ports)
    : simulator(std::move(Simulator)), typesFolder(std::move(TypesFolder)),
      portsFolder(std::move(Ports))
{
}

DemoSimulators::~DemoSimulators()
{
    // SIGTERM: each removes its port link on the way out.
    for (const auto &process : running)
        process->terminate();
    for (const auto &process : running) {
        if (!process->waitForFinished(static_cast<int>(
                std::chrono::duration_cast<std::chrono::milliseconds>(StopPatience).count())))
            process->kill();
    }
}

std::optional<Failure> DemoSimulators::start()
{
    if (!QFileInfo(simulator).isExecutable())
        return Failure{Failure::Kind::MissingFile,
                       QStringLiteral("The modem simulator %1 is not installed").arg(simulator)};
    const QList<DemoModem> modems = demoModems(typesFolder);
    for (const DemoModem &modem : modems)
        startOne(modem.name, modem.arguments);
    const QDeadlineTimer deadline(StartPatience);
    for (qsizetype index = 0; index < modems.size(); ++index) {
        const QString port = QDir(portsFolder).filePath(modems.at(index).name);
        while (!QFileInfo::exists(port) && running.at(index)->state() != QProcess::NotRunning &&
               !deadline.hasExpired())
            QThread::msleep(20);
        if (!QFileInfo::exists(port))
            return Failure{
                Failure::Kind::BadFile,
                QStringLiteral("The %1 simulator did not start: %2")
                    .arg(modems.at(index).name,
                         QString::fromLocal8Bit(running.at(index)->readAllStandardError())
                             .trimmed())};
    }
    return std::nullopt;
}

void DemoSimulators::startOne(const QString &Name, const QStringList &Arguments)
{
    auto process = std::make_shared<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QUILLON_PORTS_DIR"), portsFolder);
    process->setProcessEnvironment(environment);
    // Its wire log would fill a pipe nobody reads; what it says on failing is kept.
    process->setStandardOutputFile(QProcess::nullDevice());
#ifdef Q_OS_LINUX
    // A window killed rather than closed takes its simulators with it all the same.
    process->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
#endif
    process->start(simulator, QStringList{QStringLiteral("--name"), Name} + Arguments);
    running.append(std::move(process));
}
