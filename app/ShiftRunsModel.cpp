#include "ShiftRunsModel.h"

#include "procedures/RunOutcome.h"

ShiftRunsModel::ShiftRunsModel(QStringList ColumnTitles, QObject *Parent)
    : QAbstractTableModel(Parent), titles(std::move(ColumnTitles))
{
}

void ShiftRunsModel::showRuns(const QList<ShiftRun> *Runs)
{
    beginResetModel();
    runs = Runs;
    runsSeen = runs ? runs->size() : 0;
    shown = shownFrom(0);
    endResetModel();
}

void ShiftRunsModel::setFilter(const QString &ImeiPart, std::optional<RunResult> Only)
{
    beginResetModel();
    imeiPart = ImeiPart;
    onlyResult = Only;
    shown = shownFrom(0);
    endResetModel();
}

void ShiftRunsModel::runsAdded()
{
    if (!runs || runs->size() == runsSeen)
        return;
    const QList<qsizetype> added = shownFrom(runsSeen);
    runsSeen = runs->size();
    if (added.isEmpty())
        return;
    beginInsertRows({}, 0, static_cast<int>(added.size()) - 1);
    shown = added + shown;
    endInsertRows();
}

const ShiftRun *ShiftRunsModel::runAt(int Row) const
{
    if (Row < 0 || Row >= shown.size())
        return nullptr;
    return &runs->at(shown.at(Row));
}

int ShiftRunsModel::rowCount(const QModelIndex &Parent) const
{
    return Parent.isValid() ? 0 : static_cast<int>(shown.size());
}

int ShiftRunsModel::columnCount(const QModelIndex &Parent) const
{
    return Parent.isValid() ? 0 : static_cast<int>(titles.size());
}

QVariant ShiftRunsModel::data(const QModelIndex &Index, int Role) const
{
    const ShiftRun *run = runAt(Index.row());
    if (!run || Role != Qt::DisplayRole)
        return {};
    switch (Index.column()) {
    case Started:
        return run->start.toLocalTime().toString(QStringLiteral("HH:mm:ss"));
    case Port:
        return run->port;
    case Imei:
        return run->imei;
    case Result:
        return RunResultWord(run->result);
    case Reason:
        return run->reason;
    default:
        return {};
    }
}

QVariant ShiftRunsModel::headerData(int Section, Qt::Orientation Orientation, int Role) const
{
    if (Orientation != Qt::Horizontal || Role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(Section, Orientation, Role);
    return titles.value(Section);
}

bool ShiftRunsModel::passes(const ShiftRun &Run) const
{
    return Run.imei.contains(imeiPart) && (!onlyResult || Run.result == *onlyResult);
}

QList<qsizetype> ShiftRunsModel::shownFrom(qsizetype From) const
{
    QList<qsizetype> rows;
    if (!runs)
        return rows;
    for (qsizetype index = runs->size() - 1; index >= From; --index) {
        if (passes(runs->at(index)))
            rows.append(index);
    }
    return rows;
}
