#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QStringList>

#include <chrono>
#include <functional>

// quillon-flash as a child process on the test data, with its waits sped up.
class FlashProcess
{
public:
    static constexpr int SpeedUp = 5;
    // Well under the two minutes ctest gives a test, so that a broken change fails at the step
    // that waited in vain instead of being killed without a name.
    static constexpr std::chrono::milliseconds Patience = std::chrono::seconds(30);

    explicit FlashProcess(const QStringList &Arguments, int TimeSpeedUp = SpeedUp);
    ~FlashProcess();

    // Reads standard output until Seen holds for it or the deadline passes.
    bool waitForOutput(const std::function<bool(const QByteArray &)> &Seen,
                       std::chrono::milliseconds Deadline = Patience);
    void interrupt();
    // Waits for the end; -1 when it crashed or did not end in time.
    int finish(std::chrono::milliseconds Deadline = Patience);

    const QByteArray &out() const { return stdoutBytes; }
    QByteArray err() const { return stderrBytes; }

private:
    QProcess process;
    QByteArray stdoutBytes;
    QByteArray stderrBytes;
};

// The arguments for one type and some ports, on the test data unless told otherwise.
QStringList FlashArguments(const QString &Type, const QStringList &Ports,
                           const QString &Data = QStringLiteral(QUILLON_TEST_DATA));

// The --json events of one port, or all of them for an empty port.
QList<QJsonObject> JsonEvents(const QByteArray &Out, const QString &Port = {},
                              const QString &Kind = {});
QStringList LogTexts(const QByteArray &Out, const QString &Port);
QJsonObject ResultEvent(const QByteArray &Out, const QString &Port);
