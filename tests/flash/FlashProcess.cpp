#include "FlashProcess.h"

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QProcessEnvironment>

#include <csignal>

FlashProcess::FlashProcess(const QStringList &Arguments, int TimeSpeedUp)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QUILLON_TIME_SPEEDUP"), QString::number(TimeSpeedUp));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(QUILLON_FLASH_EXE), Arguments);
    process.waitForStarted();
}

FlashProcess::~FlashProcess()
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.kill();
    process.waitForFinished();
}

bool FlashProcess::waitForOutput(const std::function<bool(const QByteArray &)> &Seen,
                                 std::chrono::milliseconds Deadline)
{
    const QDeadlineTimer deadline(Deadline);
    while (!Seen(stdoutBytes)) {
        if (deadline.hasExpired() || process.state() == QProcess::NotRunning)
            return false;
        process.waitForReadyRead(100);
        stdoutBytes += process.readAllStandardOutput();
    }
    return true;
}

void FlashProcess::interrupt()
{
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
}

int FlashProcess::finish(std::chrono::milliseconds Deadline)
{
    const bool ended = process.waitForFinished(static_cast<int>(Deadline.count()));
    stdoutBytes += process.readAllStandardOutput();
    stderrBytes += process.readAllStandardError();
    if (!ended || process.exitStatus() != QProcess::NormalExit)
        return -1;
    return process.exitCode();
}

QStringList FlashArguments(const QString &Type, const QStringList &Ports, const QString &Data)
{
    QStringList arguments{QStringLiteral("--type"), Type, QStringLiteral("--data"), Data};
    for (const QString &port : Ports)
        arguments << QStringLiteral("--port") << port;
    return arguments;
}

QList<QJsonObject> JsonEvents(const QByteArray &Out, const QString &Port, const QString &Kind)
{
    QList<QJsonObject> events;
    for (const QByteArray &line : Out.split('\n')) {
        const QJsonObject event = QJsonDocument::fromJson(line).object();
        if (event.isEmpty())
            continue;
        if (!Port.isEmpty() && event[QStringLiteral("port")].toString() != Port)
            continue;
        if (!Kind.isEmpty() && event[QStringLiteral("event")].toString() != Kind)
            continue;
        events.append(event);
    }
    return events;
}

QStringList LogTexts(const QByteArray &Out, const QString &Port)
{
    QStringList texts;
    for (const QJsonObject &event : JsonEvents(Out, Port, QStringLiteral("log")))
        texts.append(event[QStringLiteral("text")].toString());
    return texts;
}

QJsonObject ResultEvent(const QByteArray &Out, const QString &Port)
{
    const QList<QJsonObject> results = JsonEvents(Out, Port, QStringLiteral("result"));
    return results.size() == 1 ? results.first() : QJsonObject();
}
