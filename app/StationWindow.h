#pragma once

#include "app/RunArchive.h"
#include "app/StationSetup.h"
#include "catalogue/ModemCatalogue.h"
#include "catalogue/TypesFolder.h"
#include "engine/RunEvents.h"

#include <QDateTime>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>

class EventRelay;
class FlashRunner;
class PortLogDialog;
struct KeptLog;
class PortTile;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QScrollArea;
class QTableView;
class QTabWidget;
class RunRecordFile;
class ShiftChart;
class ShiftRuns;
class ShiftRunsModel;
class PortBoard;
class StationSession;

// Where the station window finds its data, remembers its choice and keeps its records by
// default; tests point them elsewhere.
struct StationWindowSetup
{
    // The modem types as both programs find them, unless --data names a folder.
    QString dataFolder = FindTypesFolder(TypesPlaces::OfThisMachine()).path;
    QString settingsFile = DefaultStationSettingsFile();
    QString recordFile = RunArchive().recordFile();
};

// The production station in a window: every chosen port programs modem after modem on its own
// (put a modem on, it is programmed, take it off, put the next on), each port a tile, the shift
// counted and charted, each run recorded with its log.
class StationWindow : public QWidget, private RunObserver
{
    Q_OBJECT
public:
    explicit StationWindow(const StationWindowSetup &Defaults = {}, QWidget *parent = nullptr);
    ~StationWindow() override;

    // Shows the remembered choice with the fields Given names over it.
    void applySetup(const StationSetup &Given);
    StationSetup chosenSetup() const;
    // Begins the shift with the chosen set-up, remembering it; false, with the reason shown, when
    // it cannot begin.
    bool start();
    // Every port ends within a second of whatever it waits for; stopped() follows.
    void stop();
    bool running() const { return runner != nullptr; }
    const PortBoard *board() const { return ports.get(); }
    // A modem is being programmed on some port.
    bool programming() const;

    QPushButton *btnStart;
    QPushButton *btnStop;
    QLabel *lblShift;   // programmed, failed, yield, modems per hour
    QLabel *lblProblem; // why the shift could not begin
    QTabWidget *tabs;
    QComboBox *cbxType;
    QListWidget *lstPorts; // every port found, and those added, each with a check box
    QLineEdit *edtPort;
    QPushButton *btnAddPort;
    QPushButton *btnRefreshPorts;
    QComboBox *cbxWriteRate;
    QComboBox *cbxLanguage;
    QLineEdit *edtRecordFile;
    QScrollArea *scrTiles;
    QList<PortTile *> tiles;
    ShiftChart *chart;
    QLineEdit *edtImei;
    QComboBox *cbxResult;
    QTableView *tblRuns;
    ShiftRunsModel *shiftRuns;

signals:
    void stopped(); // every port has ended

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *Watched, QEvent *Event) override;
    void showEvent(QShowEvent *event) override;

private:
    // The board's reports, each once the board has taken it: the port's tile is drawn again.
    void logLine(int Port, const QString &Text) override;
    void progress(int Port, const PortProgress &Progress) override;
    void finished(int Port, const PortResult &Result) override;
    void station(int Port, const StationStatus &Status) override;

    QWidget *buildSetupPage();
    QWidget *buildShiftPage();
    void listPorts(const QStringList &Chosen);
    void addPort(const QString &Path, const QString &Text, const QString &Hint, bool Checked);
    void addTypedPort();
    // Why the set-up cannot begin a shift, or the type it programs.
    Result<TDirObject> checkedType(const StationSetup &Setup) const;
    std::optional<QString> portProblem(const QStringList &Ports) const;
    void showProblem(const QString &Text);
    void buildTiles(int Count);
    void arrangeTiles();
    void portChanged(int Port);
    // The port's last runs of the shift whose logs were kept, newest first.
    QList<KeptLog> keptLogs(const QString &Port) const;
    QString logFolder() const;
    void openPortLog(int Port);
    void openRunLog(int Row);
    void refreshShift();
    void filterRuns();
    void ended();
    void showRunning();

    const StationWindowSetup defaults;
    QString dataFolder;
    QGridLayout *tileGrid = nullptr;
    QLabel *lblNoTiles = nullptr;
    QTimer shiftTicks; // the per-hour figure and the chart go on while nothing happens
    QDateTime shiftStart;
    QString recordPath;
    std::unique_ptr<RunRecordFile> records;
    std::unique_ptr<PortBoard> ports;
    std::unique_ptr<EventRelay> relay;
    std::unique_ptr<StationSession> session;
    std::unique_ptr<FlashRunner> runner;
    std::unique_ptr<ShiftRuns> shift;
    QList<QPointer<PortLogDialog>> portLogs;
    int countedModems = -1;
    bool closeWhenStopped = false;
};
