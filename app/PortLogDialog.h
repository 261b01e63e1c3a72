#pragma once

#include <QDialog>
#include <QStringList>

class QListWidget;
class QPlainTextEdit;

// One port's log: the run in progress, as it goes on, and the port's last runs, each from the
// file its log was kept in.
class PortLogDialog : public QDialog
{
    Q_OBJECT
public:
    // Logs: the port's kept logs, newest first.
    PortLogDialog(const QString &Port, const QStringList &Logs, QWidget *parent = nullptr);

    // The lines of the run in progress, shown while it is the one chosen.
    void showCurrent(const QStringList &Lines);

    QListWidget *lstRuns; // the run in progress first, then the kept logs
    QPlainTextEdit *mmoLog;

private:
    void choose(int Row);

    const QStringList logs;
    QStringList current;
};

// The port's kept logs of Type in LogFolder, newest first, at most Count.
QStringList PortLogFiles(const QString &LogFolder, const QString &Type, const QString &Port,
                         int Count);
