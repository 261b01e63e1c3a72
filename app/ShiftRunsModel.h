#pragma once

#include "app/ShiftRuns.h"

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The shift's runs as its table shows them: newest first, those the filter lets through. The
// rows are read from the runs themselves, so a long shift keeps nothing twice.
class ShiftRunsModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column
    {
        Started,
        Port,
        Imei,
        Result,
        Reason,
    };

    explicit ShiftRunsModel(QStringList ColumnTitles, QObject *Parent = nullptr);

    // The runs shown; null when there is no shift. They stay the caller's, and only grow.
    void showRuns(const QList<ShiftRun> *Runs);
    // Runs the filter lets through: the IMEI contains ImeiPart, and the result is Only, if given.
    void setFilter(const QString &ImeiPart, std::optional<RunResult> Only);
    // The runs' list has grown: the new ones the filter lets through go on top.
    void runsAdded();
    // The run shown in the row; null for no row.
    const ShiftRun *runAt(int Row) const;

    int rowCount(const QModelIndex &Parent = {}) const override;
    int columnCount(const QModelIndex &Parent = {}) const override;
    QVariant data(const QModelIndex &Index, int Role = Qt::DisplayRole) const override;
    QVariant headerData(int Section, Qt::Orientation Orientation,
                        int Role = Qt::DisplayRole) const override;

private:
    bool passes(const ShiftRun &Run) const;
    // The rows of the runs from From on that the filter lets through, newest first.
    QList<qsizetype> shownFrom(qsizetype From) const;

    const QStringList titles;
    const QList<ShiftRun> *runs = nullptr;
    qsizetype runsSeen = 0;
    QList<qsizetype> shown; // indexes into runs, newest first
    QString imeiPart;
    std::optional<RunResult> onlyResult;
};
