#include "PortLogDialog.h"

#include "app/RunArchive.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QString currentRun()
{
    return QStringLiteral("Текущий прогон");
}

QString fileText(const QString &Path)
{
    QFile file(Path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("Журнал %1 не читается.").arg(Path);
    return QString::fromUtf8(file.readAll());
}

} // namespace

QStringList PortLogFiles(const QString &LogFolder, const QString &Type, const QString &Port,
                         int Count)
{
    const QString tail = RunArchive::LogTail(Type, Port);
    const QDir logs(LogFolder);
    // A second run within one second adds "-2" before the suffix.
    const QStringList patterns{QStringLiteral("*") + tail,
                               QStringLiteral("*") + tail.chopped(4) + QStringLiteral("-*.log")};
    QStringList names = logs.entryList(patterns, QDir::Files);
    // By start, and a second log of one second ("-2") after the first.
    std::sort(names.begin(), names.end(), [](const QString &Left, const QString &Right) {
        return Left.chopped(4) > Right.chopped(4);
    });
    names = names.mid(0, Count);
    QStringList paths;
    for (const QString &name : names)
        paths.append(logs.filePath(name));
    return paths;
}

PortLogDialog::PortLogDialog(const QString &Port, const QStringList &Logs, QWidget *parent)
    : QDialog(parent), lstRuns(new QListWidget(this)), mmoLog(new QPlainTextEdit(this)), logs(Logs)
{
    setObjectName(QStringLiteral("PortLogDialog"));
    setWindowTitle(QStringLiteral("Журнал порта %1").arg(Port));
    setAttribute(Qt::WA_DeleteOnClose);
    mmoLog->setReadOnly(true);
    lstRuns->addItem(currentRun());
    for (const QString &log : Logs)
        lstRuns->addItem(QFileInfo(log).completeBaseName());
    const int wide = fontMetrics().horizontalAdvance(QStringLiteral("20261207-203309_velmora"));
    lstRuns->setMaximumWidth(wide * 3 / 2);

    auto *panes = new QHBoxLayout;
    panes->addWidget(lstRuns);
    panes->addWidget(mmoLog, 1);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(panes);
    layout->addWidget(buttons);
    connect(lstRuns, &QListWidget::currentRowChanged, this, &PortLogDialog::choose);
    lstRuns->setCurrentRow(0);
    resize(wide * 4, fontMetrics().height() * 24);
}

void PortLogDialog::showCurrent(const QStringList &Lines)
{
    current = Lines;
    if (lstRuns->currentRow() == 0) {
        mmoLog->setPlainText(current.join(u'\n'));
        mmoLog->moveCursor(QTextCursor::End);
    }
}

void PortLogDialog::choose(int Row)
{
    if (Row == 0)
        showCurrent(current);
    else if (Row > 0 && Row <= logs.size())
        mmoLog->setPlainText(fileText(logs.at(Row - 1)));
}
