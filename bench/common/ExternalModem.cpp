#include "ExternalModem.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <chrono>
#include <stdexcept>

using namespace Qt::StringLiterals;
using Clock = std::chrono::steady_clock;

ExternalModem::ExternalModem(const QString &FamilyName, const QString &Scratch)
    : logPath(Scratch + u"/modem.log"_s)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QUILLON_PORTS_DIR"_s, Scratch);
    process.setProcessEnvironment(environment);
    process.setStandardOutputFile(logPath);
    process.start(QString::fromUtf8(QUILLON_MODEMSIM), {u"--family"_s, FamilyName});
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (path.isEmpty() && Clock::now() < deadline) {
        QThread::msleep(20);
        QFile log(logPath);
        if (!log.open(QIODevice::ReadOnly))
            continue;
        const QByteArray first = log.readLine();
        if (first.startsWith("device ") && first.endsWith('\n'))
            path = QString::fromUtf8(first.mid(7).trimmed());
    }
    if (path.isEmpty())
        throw std::runtime_error("the simulator did not start");
}

ExternalModem::~ExternalModem()
{
    process.terminate();
    process.waitForFinished(5000);
}

QString ExternalModem::ended()
{
    if (process.state() != QProcess::NotRunning && !process.waitForFinished(0))
        return {};
    if (process.exitStatus() == QProcess::CrashExit)
        return u"the simulator was killed or crashed"_s;
    return u"the simulator ended with status %1"_s.arg(process.exitCode());
}

qint64 ExternalModem::logSize() const
{
    return QFileInfo(logPath).size();
}

QByteArray ExternalModem::logSince(qint64 From) const
{
    QFile log(logPath);
    if (!log.open(QIODevice::ReadOnly) || !log.seek(From))
        return {};
    return log.readAll();
}
