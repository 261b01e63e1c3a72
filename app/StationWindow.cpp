#include "StationWindow.h"

#include "app/LanguageList.h"
#include "app/MessageBoxes.h"
#include "app/PortLogDialog.h"
#include "app/PortTile.h"
#include "app/ScreenFit.h"
#include "app/ShiftChart.h"
#include "app/ShiftRuns.h"
#include "app/ShiftRunsModel.h"
#include "app/TfCOMProperty.h"
#include "atlink/WriteRate.h"
#include "engine/EventRelay.h"
#include "engine/FlashRunner.h"
#include "engine/ModemTypeLookup.h"
#include "engine/PortBoard.h"
#include "engine/StationSession.h"
#include "procedures/RunOutcome.h"
#include "records/RunRecordFile.h"
#include "serial/SerialPorts.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

using namespace std::chrono_literals;

namespace {

// The window's texts.
QString title()
{
    return QCoreApplication::translate("StationWindow", "Quillon — станция");
}
QString shiftText(const BoardTotals &Totals, double PerHour)
{
    const QString yield = Totals.programmed + Totals.failed > 0
                              ? QStringLiteral("%1 %").arg(std::lround(Totals.yield() * 100))
                              : QStringLiteral("—");
    return QCoreApplication::translate(
               "StationWindow",
               "Смена: запрограммировано %1, ошибок %2, выход %3, модемов в час %4")
        .arg(Totals.programmed)
        .arg(Totals.failed)
        .arg(yield)
        .arg(std::lround(PerHour));
}
QString noTilesText()
{
    return QCoreApplication::translate(
        "StationWindow", "Выберите тип модема и порты на вкладке «Настройка» и нажмите «Пуск».");
}
QString noTypeText()
{
    return QCoreApplication::translate("StationWindow", "Выберите тип модема.");
}
QString unknownTypeText(const QString &Type, const QString &Folder)
{
    return QCoreApplication::translate("StationWindow",
                                       "Тип модема %1 не найден в каталоге %2Quillon_dir.ini.")
        .arg(Type, Folder);
}
QString noPortText()
{
    return QCoreApplication::translate("StationWindow", "Отметьте хотя бы один порт.");
}
QString samePortText(const QString &First, const QString &Second)
{
    return QCoreApplication::translate("StationWindow",
                                       "Порты %1 и %2 — одно устройство: отметьте один из них.")
        .arg(First, Second);
}
QString recordFileText(const QString &Reason)
{
    return QCoreApplication::translate(
               "StationWindow",
               "Файл записей не открывается, станция не начнёт работу без учёта: %1")
        .arg(Reason);
}
QString closeQuestion()
{
    return QCoreApplication::translate(
        "StationWindow", "Идёт программирование модемов. Остановить станцию и закрыть окно?");
}
QString noRunLogText()
{
    return QCoreApplication::translate("StationWindow", "Журнал этого прогона не найден.");
}
// A kept run in a port's log: when it began and how it ended.
QString runTitle(const ShiftRun &Run)
{
    return Run.start.toLocalTime().toString(QStringLiteral("HH:mm:ss")) + QStringLiteral("  ") +
           RunResultWord(Run.result);
}
QString profileRateText()
{
    return QCoreApplication::translate("StationWindow", "из upload.ini");
}
// What the widgets say, in the language of the moment the window is made.
struct WidgetTexts
{
    QString start = QCoreApplication::translate("StationWindow", "Пуск");
    QString stop = QCoreApplication::translate("StationWindow", "Стоп");
    QString portsTab = QCoreApplication::translate("StationWindow", "Порты");
    QString shiftTab = QCoreApplication::translate("StationWindow", "Смена");
    QString setupTab = QCoreApplication::translate("StationWindow", "Настройка");
    QString otherPort =
        QCoreApplication::translate("StationWindow", "другой порт: /dev/ttyUSB4, COM5, ссылка");
    QString addPort = QCoreApplication::translate("StationWindow", "Добавить");
    QString refreshPorts = QCoreApplication::translate("StationWindow", "Обновить список");
    QString type = QCoreApplication::translate("StationWindow", "Тип модема:");
    QString ports = QCoreApplication::translate("StationWindow", "Порты:");
    QString writeRate = QCoreApplication::translate("StationWindow", "Скорость записи (бит/с):");
    QString recordFile = QCoreApplication::translate("StationWindow", "Файл записей:");
    QString imeiFilter = QCoreApplication::translate("StationWindow", "IMEI или его часть");
    QString allResults = QCoreApplication::translate("StationWindow", "все результаты");
    QString started = QCoreApplication::translate("StationWindow", "Начало");
    QString port = QCoreApplication::translate("StationWindow", "Порт");
    QString imei = QStringLiteral("IMEI");
    QString result = QCoreApplication::translate("StationWindow", "Результат");
    QString reason = QCoreApplication::translate("StationWindow", "Причина");
    QString openRunLog =
        QCoreApplication::translate("StationWindow", "Журнал прогона: двойной щелчок или Enter");
    QString filter = QCoreApplication::translate("StationWindow", "Отбор:");
};
WidgetTexts Label()
{
    return {};
}

constexpr std::chrono::minutes SliceOfShortShift = 10min;
constexpr std::chrono::hours ShortShift = 4h;
constexpr std::chrono::seconds ShiftTick = 10s;
constexpr int KeptPortLogs = 20;
constexpr int RowsSizingColumns = 50;
constexpr int TileWidthInCharacters = 34;

constexpr int AllResults = -1;
const QList<RunResult> FilterResults{RunResult::Programmed, RunResult::Failed,
                                     RunResult::Interrupted, RunResult::NoAnswer};

QStringList checkedPorts(const QListWidget &List)
{
    QStringList chosen;
    for (int row = 0; row < List.count(); ++row) {
        const QListWidgetItem *item = List.item(row);
        if (item->checkState() == Qt::Checked)
            chosen.append(item->data(Qt::UserRole).toString());
    }
    return chosen;
}

} // namespace

StationWindow::StationWindow(const StationWindowSetup &Defaults, QWidget *parent)
    : QWidget(parent), btnStart(new QPushButton(Label().start, this)),
      btnStop(new QPushButton(Label().stop, this)), lblShift(new QLabel(this)),
      lblProblem(new QLabel(this)), tabs(new QTabWidget(this)), defaults(Defaults)
{
    setObjectName(QStringLiteral("StationWindow"));
    setWindowTitle(title());
    lblShift->setWordWrap(true);
    lblShift->setText(shiftText({}, 0));
    lblProblem->setWordWrap(true);
    lblProblem->setTextFormat(Qt::PlainText);
    lblProblem->setStyleSheet(QStringLiteral("color: rgb(180, 0, 0); font-weight: bold"));
    lblProblem->hide();
    btnStop->setEnabled(false);

    scrTiles = new QScrollArea(this);
    scrTiles->setWidgetResizable(true);
    scrTiles->setFrameShape(QFrame::NoFrame);
    auto *tileArea = new QWidget(scrTiles);
    tileGrid = new QGridLayout(tileArea);
    // Four tiles in sight on a netbook's screen: little room between them.
    tileGrid->setContentsMargins(0, 0, 0, 0);
    tileGrid->setSpacing(fontMetrics().height() / 4);
    lblNoTiles = new QLabel(noTilesText(), tileArea);
    lblNoTiles->setWordWrap(true);
    tileGrid->addWidget(lblNoTiles, 0, 0);
    scrTiles->setWidget(tileArea);
    scrTiles->viewport()->installEventFilter(this);

    tabs->addTab(scrTiles, Label().portsTab);
    tabs->addTab(buildShiftPage(), Label().shiftTab);
    tabs->addTab(buildSetupPage(), Label().setupTab);

    auto *top = new QHBoxLayout;
    top->addWidget(btnStart);
    top->addWidget(btnStop);
    top->addWidget(lblShift, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(lblProblem);
    layout->addWidget(tabs, 1);

    connect(btnStart, &QPushButton::clicked, this, [this] { start(); });
    connect(btnStop, &QPushButton::clicked, this, &StationWindow::stop);
    connect(&shiftTicks, &QTimer::timeout, this, &StationWindow::refreshShift);

    applySetup({});
    tabs->setCurrentIndex(2);
    // A station has the screen to itself.
    resize(screen()->availableGeometry().size());
}

StationWindow::~StationWindow()
{
    // The runs end before what they report to goes.
    runner.reset();
}

QWidget *StationWindow::buildSetupPage()
{
    auto *page = new QWidget(this);
    cbxType = new QComboBox(page);
    lstPorts = new QListWidget(page);
    edtPort = new QLineEdit(page);
    edtPort->setPlaceholderText(Label().otherPort);
    btnAddPort = new QPushButton(Label().addPort, page);
    btnRefreshPorts = new QPushButton(Label().refreshPorts, page);
    cbxWriteRate = new QComboBox(page);
    cbxWriteRate->addItem(profileRateText(), 0U);
    for (const std::uint32_t rate : WriteRates)
        cbxWriteRate->addItem(QString::number(rate), rate);
    edtRecordFile = new QLineEdit(page);

    auto *adding = new QHBoxLayout;
    adding->addWidget(edtPort, 1);
    adding->addWidget(btnAddPort);
    adding->addWidget(btnRefreshPorts);
    auto *portColumn = new QVBoxLayout;
    portColumn->addWidget(lstPorts, 1);
    portColumn->addLayout(adding);
    auto *form = new QFormLayout(page);
    form->addRow(Label().type, cbxType);
    form->addRow(Label().ports, portColumn);
    form->addRow(Label().writeRate, cbxWriteRate);
    form->addRow(Label().recordFile, edtRecordFile);
    cbxLanguage = MakeLanguageList(page);
    ShowLanguage(*cbxLanguage, RememberedLanguage(defaults.settingsFile));
    form->addRow(LanguageListLabel(), cbxLanguage);

    connect(btnAddPort, &QPushButton::clicked, this, &StationWindow::addTypedPort);
    connect(edtPort, &QLineEdit::returnPressed, this, &StationWindow::addTypedPort);
    connect(btnRefreshPorts, &QPushButton::clicked, this,
            [this] { listPorts(checkedPorts(*lstPorts)); });
    return page;
}

QWidget *StationWindow::buildShiftPage()
{
    auto *page = new QWidget(this);
    chart = new ShiftChart(page);
    edtImei = new QLineEdit(page);
    edtImei->setPlaceholderText(Label().imeiFilter);
    cbxResult = new QComboBox(page);
    cbxResult->addItem(Label().allResults, AllResults);
    for (const RunResult result : FilterResults)
        cbxResult->addItem(RunResultWord(result), static_cast<int>(result));
    shiftRuns = new ShiftRunsModel(
        {Label().started, Label().port, Label().imei, Label().result, Label().reason}, this);
    tblRuns = new QTableView(page);
    tblRuns->setModel(shiftRuns);
    tblRuns->horizontalHeader()->setStretchLastSection(true);
    // The newest runs set the widths: a long shift costs no look at every row.
    tblRuns->horizontalHeader()->setResizeContentsPrecision(RowsSizingColumns);
    tblRuns->verticalHeader()->hide();
    tblRuns->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblRuns->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblRuns->setToolTip(Label().openRunLog);

    auto *filters = new QHBoxLayout;
    filters->addWidget(new QLabel(Label().filter, page));
    filters->addWidget(edtImei, 1);
    filters->addWidget(cbxResult);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(chart, 1);
    layout->addLayout(filters);
    layout->addWidget(tblRuns, 2);

    connect(edtImei, &QLineEdit::textChanged, this, &StationWindow::filterRuns);
    connect(cbxResult, &QComboBox::currentIndexChanged, this, &StationWindow::filterRuns);
    connect(tblRuns, &QTableView::activated, this,
            [this](const QModelIndex &Index) { openRunLog(Index.row()); });
    return page;
}

void StationWindow::applySetup(const StationSetup &Given)
{
    StationSetup fallback;
    fallback.dataFolder = defaults.dataFolder;
    fallback.recordFile = defaults.recordFile;
    const StationSetup setup =
        MergedSetup(LoadStationSetup(defaults.settingsFile, fallback), Given);
    dataFolder = setup.dataFolder;

    cbxType->clear();
    const ModemCatalogue catalogue = ReadModemCatalogue(dataFolder);
    for (const TDirObject &entry : catalogue.entries)
        cbxType->addItem(entry.Title, entry.DirName);
    int chosen = -1;
    for (int index = 0; index < cbxType->count(); ++index) {
        if (cbxType->itemData(index).toString().compare(setup.type, Qt::CaseInsensitive) == 0)
            chosen = index;
    }
    // A type the catalogue does not offer stays chosen, so that Start says what is wrong.
    if (chosen < 0 && !setup.type.isEmpty()) {
        cbxType->addItem(setup.type, setup.type);
        chosen = cbxType->count() - 1;
    }
    cbxType->setCurrentIndex(chosen);

    listPorts(setup.ports);
    cbxWriteRate->setCurrentIndex(setup.writeRate ? cbxWriteRate->findData(*setup.writeRate) : 0);
    edtRecordFile->setText(setup.recordFile);
}

StationSetup StationWindow::chosenSetup() const
{
    StationSetup setup;
    setup.dataFolder = dataFolder;
    setup.type = cbxType->currentData().toString();
    setup.ports = checkedPorts(*lstPorts);
    const auto rate = cbxWriteRate->currentData().toUInt();
    if (rate != 0)
        setup.writeRate = rate;
    setup.recordFile = edtRecordFile->text().trimmed();
    return setup;
}

void StationWindow::listPorts(const QStringList &Chosen)
{
    lstPorts->clear();
    for (const SerialPortInfo &found : ListSerialPorts()) {
        // A stable name keeps naming the adapter after a re-plug: the station goes by it.
        const QString device = CommPortForEntry(found.name);
        const QString path = found.stableNames.isEmpty() ? device : found.stableNames.first();
        const QString text = path == device ? path : QStringLiteral("%1 (%2)").arg(path, device);
        QStringList hint = found.stableNames;
        if (!found.description.isEmpty())
            hint.prepend(found.description);
        addPort(path, text, hint.join(u'\n'), Chosen.contains(path));
    }
    const QStringList listed = [this] {
        QStringList paths;
        for (int row = 0; row < lstPorts->count(); ++row)
            paths.append(lstPorts->item(row)->data(Qt::UserRole).toString());
        return paths;
    }();
    for (const QString &port : Chosen) {
        if (!listed.contains(port))
            addPort(port, port, {}, true);
    }
}

void StationWindow::addPort(const QString &Path, const QString &Text, const QString &Hint,
                            bool Checked)
{
    auto *item = new QListWidgetItem(Text, lstPorts);
    item->setData(Qt::UserRole, Path);
    item->setToolTip(Hint);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Checked ? Qt::Checked : Qt::Unchecked);
}

void StationWindow::addTypedPort()
{
    const QString port = edtPort->text().trimmed();
    if (port.isEmpty())
        return;
    addPort(port, port, {}, true);
    edtPort->clear();
}

Result<TDirObject> StationWindow::checkedType(const StationSetup &Setup) const
{
    if (Setup.type.isEmpty())
        return Failure{Failure::Kind::Usage, noTypeText()};
    const ModemCatalogue catalogue = ReadModemCatalogue(Setup.dataFolder);
    if (catalogue.problem)
        return *catalogue.problem;
    for (const TDirObject &entry : catalogue.entries) {
        if (entry.DirName.compare(Setup.type, Qt::CaseInsensitive) != 0)
            continue;
        if (auto refusal = RunRefusal(entry))
            return *std::move(refusal);
        return entry;
    }
    return Failure{Failure::Kind::Usage, unknownTypeText(Setup.type, Setup.dataFolder)};
}

std::optional<QString> StationWindow::portProblem(const QStringList &Ports) const
{
    if (Ports.isEmpty())
        return noPortText();
    for (qsizetype first = 0; first < Ports.size(); ++first) {
        for (qsizetype second = first + 1; second < Ports.size(); ++second) {
            if (PortDevice(Ports.at(first)) == PortDevice(Ports.at(second)))
                return samePortText(Ports.at(first), Ports.at(second));
        }
    }
    return std::nullopt;
}

void StationWindow::showProblem(const QString &Text)
{
    lblProblem->setText(Text);
    lblProblem->setVisible(!Text.isEmpty());
}

bool StationWindow::start()
{
    if (running())
        return false;
    const StationSetup setup = chosenSetup();
    const auto type = checkedType(setup);
    if (!type) {
        showProblem(type.failure().text);
        return false;
    }
    if (const auto problem = portProblem(setup.ports)) {
        showProblem(*problem);
        return false;
    }
    auto recordFile = std::make_unique<RunRecordFile>(setup.recordFile);
    if (const auto failure = recordFile->open()) {
        showProblem(recordFileText(failure->text));
        return false;
    }
    showProblem({});
    SaveStationSetup(defaults.settingsFile, setup);
    RememberLanguage(defaults.settingsFile, ChosenLanguage(*cbxLanguage));

    records = std::move(recordFile);
    recordPath = setup.recordFile;
    const auto count = static_cast<int>(setup.ports.size());
    // The old shift's states go only after its tiles have been rebuilt.
    buildTiles(count);
    ports = std::make_unique<PortBoard>(setup.ports, type->Title, static_cast<RunObserver *>(this));
    shiftStart = QDateTime::currentDateTimeUtc();
    shiftRuns->showRuns(nullptr);
    shift = std::make_unique<ShiftRuns>(recordPath, shiftStart, setup.ports);
    shiftRuns->showRuns(&shift->runs());
    countedModems = -1;
    for (int port = 0; port < count; ++port)
        portChanged(port);

    relay = std::make_unique<EventRelay>(*ports, count);
    connect(relay.get(), &EventRelay::allFinished, this, &StationWindow::ended,
            Qt::QueuedConnection);
    session = std::make_unique<StationSession>(count);
    QList<PortJob> jobs;
    for (const QString &port : setup.ports)
        jobs.append({port, *type, false, 0, setup.writeRate, true, records.get(), logFolder()});
    runner = std::make_unique<FlashRunner>(jobs, *relay, session.get());
    runner->start();
    shiftTicks.start(ShiftTick);
    setWindowTitle(title() + QStringLiteral(": ") + type->Title);
    showRunning();
    tabs->setCurrentIndex(0);
    return true;
}

void StationWindow::stop()
{
    if (!running() || runner->quitRequested())
        return;
    runner->requestQuit();
    ports->stopRequested();
    for (int port = 0; port < ports->size(); ++port)
        portChanged(port);
    btnStop->setEnabled(false);
}

void StationWindow::ended()
{
    runner->join();
    runner.reset();
    session.reset();
    relay.reset();
    records.reset();
    shiftTicks.stop();
    refreshShift();
    showRunning();
    emit stopped();
    if (closeWhenStopped)
        close();
}

bool StationWindow::programming() const
{
    if (!ports)
        return false;
    for (int port = 0; port < ports->size(); ++port) {
        if (ports->port(port).stage == PortStage::Programming)
            return true;
    }
    return false;
}

void StationWindow::showRunning()
{
    const bool on = running();
    btnStart->setEnabled(!on);
    btnStop->setEnabled(on && !runner->quitRequested());
    for (QWidget *choice :
         {static_cast<QWidget *>(cbxType), static_cast<QWidget *>(lstPorts),
          static_cast<QWidget *>(edtPort), static_cast<QWidget *>(btnAddPort),
          static_cast<QWidget *>(btnRefreshPorts), static_cast<QWidget *>(cbxWriteRate),
          static_cast<QWidget *>(edtRecordFile)})
        choice->setEnabled(!on);
}

void StationWindow::buildTiles(int Count)
{
    for (PortTile *tile : std::as_const(tiles))
        delete tile;
    tiles.clear();
    for (const QPointer<PortLogDialog> &log : std::as_const(portLogs)) {
        if (log)
            log->close();
    }
    portLogs = QList<QPointer<PortLogDialog>>(Count);
    lblNoTiles->setVisible(Count == 0);
    for (int port = 0; port < Count; ++port) {
        auto *tile = new PortTile(scrTiles->widget());
        connect(tile, &PortTile::opened, this, [this, port] { openPortLog(port); });
        tiles.append(tile);
    }
    arrangeTiles();
}

void StationWindow::arrangeTiles()
{
    if (tiles.isEmpty())
        return;
    // As square as the tiles go, and no narrower than a tile's text needs.
    const int fitting = std::max(1, scrTiles->viewport()->width() /
                                        (fontMetrics().averageCharWidth() * TileWidthInCharacters));
    const int squareish = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(tiles.size()))));
    const int columns = std::min(fitting, squareish);
    for (qsizetype index = 0; index < tiles.size(); ++index) {
        tileGrid->removeWidget(tiles.at(index));
        tileGrid->addWidget(tiles.at(index), static_cast<int>(index / columns),
                            static_cast<int>(index % columns));
    }
    for (int column = 0; column < tileGrid->columnCount(); ++column)
        tileGrid->setColumnStretch(column, column < columns ? 1 : 0);
}

void StationWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Now with the frame the window system gave it.
    KeepOnScreen(*this);
}

bool StationWindow::eventFilter(QObject *Watched, QEvent *Event)
{
    // The tiles' page may be out of sight when they are made: they are arranged when it shows.
    if (Watched == scrTiles->viewport() && Event->type() == QEvent::Resize)
        arrangeTiles();
    return QWidget::eventFilter(Watched, Event);
}

void StationWindow::portChanged(int Port)
{
    const PortState &state = ports->port(Port);
    tiles.at(Port)->render(state);
    if (portLogs.at(Port))
        portLogs.at(Port)->showCurrent(state.log);
    const BoardTotals totals = ports->totals();
    if (totals.programmed + totals.failed != countedModems)
        refreshShift();
}

void StationWindow::refreshShift()
{
    if (!ports)
        return;
    const BoardTotals totals = ports->totals();
    countedModems = totals.programmed + totals.failed;
    lblShift->setText(shiftText(totals, ModemsPerHour(totals.programmed, ports->elapsedMs())));
    if (shift->refresh()) {
        shiftRuns->runsAdded();
        tblRuns->resizeColumnsToContents();
    }
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const auto slice = shiftStart.secsTo(now) <= std::chrono::seconds(ShortShift).count()
                           ? SliceOfShortShift
                           : std::chrono::duration_cast<std::chrono::minutes>(1h);
    chart->setSlices(SliceShift(shift->runs(), shiftStart, now, slice), slice);
}

void StationWindow::filterRuns()
{
    const int result = cbxResult->currentData().toInt();
    shiftRuns->setFilter(edtImei->text().trimmed(),
                         result == AllResults ? std::nullopt
                                              : std::optional(static_cast<RunResult>(result)));
    tblRuns->resizeColumnsToContents();
}

QList<KeptLog> StationWindow::keptLogs(const QString &Port) const
{
    QList<KeptLog> logs;
    const QList<ShiftRun> &runs = shift->runs();
    for (qsizetype index = runs.size() - 1; index >= 0 && logs.size() < KeptPortLogs; --index) {
        const ShiftRun &run = runs.at(index);
        if (run.port == Port && !run.log.isEmpty())
            logs.append({runTitle(run), run.log});
    }
    return logs;
}

void StationWindow::openPortLog(int Port)
{
    if (portLogs.at(Port)) {
        portLogs.at(Port)->raise();
        return;
    }
    const PortState &state = ports->port(Port);
    auto *dialog = new PortLogDialog(state.port, keptLogs(state.port), this);
    dialog->showCurrent(state.log);
    portLogs[Port] = dialog;
    dialog->show();
}

void StationWindow::openRunLog(int Row)
{
    const ShiftRun *run = shiftRuns->runAt(Row);
    if (run == nullptr)
        return;
    if (run->log.isEmpty() || !QFileInfo::exists(run->log)) {
        MessageBoxes::showMessage(this, MessageBoxes::Icon::Information, noRunLogText());
        return;
    }
    auto *dialog = new PortLogDialog(run->port, {{runTitle(*run), run->log}}, this);
    dialog->lstRuns->setCurrentRow(1);
    dialog->show();
}

QString StationWindow::logFolder() const
{
    return RunArchive(QFileInfo(recordPath).absolutePath()).logFolder();
}

void StationWindow::logLine(int Port, const QString &)
{
    portChanged(Port);
}

void StationWindow::progress(int Port, const PortProgress &)
{
    portChanged(Port);
}

void StationWindow::finished(int Port, const PortResult &)
{
    portChanged(Port);
}

void StationWindow::station(int Port, const StationStatus &)
{
    portChanged(Port);
}

void StationWindow::closeEvent(QCloseEvent *event)
{
    if (!running()) {
        event->accept();
        return;
    }
    event->ignore();
    if (programming() && !MessageBoxes::ask(this, title(), closeQuestion()))
        return;
    closeWhenStopped = true;
    stop();
}
