#include "PortLogDialog.h"

#include "procedures/RunOutcome.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <utility>

namespace {

QString currentRun()
{
    return QCoreApplication::translate("StationWindow", "Текущий прогон");
}

QString fileText(const QString &Path)
{
    QFile file(Path);
    if (!file.open(QIODevice::ReadOnly))
        return QCoreApplication::translate("StationWindow", "Журнал %1 не читается.").arg(Path);
    return QString::fromUtf8(file.readAll());
}

} // namespace

PortLogDialog::PortLogDialog(const QString &Port, QList<KeptLog> Logs, QWidget *parent)
    : QDialog(parent), lstRuns(new QListWidget(this)), mmoLog(new QPlainTextEdit(this)),
      logs(std::move(Logs))
{
    setObjectName(QStringLiteral("PortLogDialog"));
    setWindowTitle(QCoreApplication::translate("StationWindow", "Журнал порта %1").arg(Port));
    setAttribute(Qt::WA_DeleteOnClose);
    mmoLog->setReadOnly(true);
    lstRuns->addItem(currentRun());
    for (const KeptLog &log : logs) {
        auto *item = new QListWidgetItem(log.title, lstRuns);
        item->setToolTip(log.file);
    }
    const int wide = fontMetrics().horizontalAdvance(QStringLiteral("00:00:00  ") +
                                                     RunResultWord(RunResult::Programmed));
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
        mmoLog->setPlainText(fileText(logs.at(Row - 1).file));
}
