#pragma once

#include <QDialog>
#include <QList>
#include <QStringList>

class QListWidget;
class QPlainTextEdit;

// A run's log kept in a file: what the list says of the run, and the file.
struct KeptLog
{
    QString title;
    QString file;
};

// One port's log: the run in progress, as it goes on, and the port's last runs, each from the
// file its log was kept in.
class PortLogDialog : public QDialog
{
    Q_OBJECT
public:
    // Logs: the port's kept logs, newest first.
    PortLogDialog(const QString &Port, QList<KeptLog> Logs, QWidget *parent = nullptr);

    // The lines of the run in progress, shown while it is the one chosen.
    void showCurrent(const QStringList &Lines);

    QListWidget *lstRuns; // the run in progress first, then the kept logs
    QPlainTextEdit *mmoLog;

private:
    void choose(int Row);

    const QList<KeptLog> logs;
    QStringList current;
};
