// The main window driven as a user drives it: open the modem list, pick a type, answer the port
// dialog, and watch the log, the status line and the boxes, against a simulated modem.
#include "app/DemoSimulators.h"
#include "app/DropDownComboBox.h"
#include "app/LanguageList.h"
#include "app/MessageBoxes.h"
#include "app/TfCOMProperty.h"
#include "app/TfMain.h"
#include "atlink/Timing.h"
#include "atlink/TmyComm.h"
#include "language/Language.h"
#include "tests/common/TestSupport.h"
#include "tools/modemsim/ModemSimulator.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <utility>

namespace {

const QString Step1 = QStringLiteral("Ожидаю выбор типа модема на шаге №1...");
const QString Step2 = QStringLiteral("Ожидаю подключение модема к СОМ-порту...");
const QString Waiting = QStringLiteral("Ожидаю отклик от модема...");
const QString Writing = QStringLiteral("Запись данных в модем...");
const QString Failed =
    QStringLiteral("Во время опереации произошел сбой. Повторите операцию с шага №1.");
const QString Succeeded = QStringLiteral("Операция успешно завершена");
const QString TimedOut = QStringLiteral("Время ожидания отклика от модема истекло.");

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

struct DialogAnswer
{
    bool accept;
    QString port;               // entry to pick before accepting
    std::uint32_t writeRate{0}; // write rate to pick; 0: as shown
    std::optional<Language> language{};
};

// A technician with the keyboard only. Each step waits until the window shows what it is for,
// then presses its keys into whatever holds the keyboard: the open list, else the box or dialog on
// top, else the main window's focused widget (the window system gives the keyboard back to the
// main window when a box over it closes; the window is not shown here). Where a step names the
// widget that must hold the keyboard and another holds it, or a step waits in vain, the user
// gives up: the test fails, and every box and dialog is closed so that the test can end.
class KeyboardUser
{
public:
    using Keys = QList<QKeyCombination>;

    explicit KeyboardUser(TfMain &Window) : window(Window)
    {
        QObject::connect(&ticker, &QTimer::timeout, [this] { tick(); });
        ticker.start(5);
    }

    // Once Ready holds, presses the keys in order; only the last may open a box or dialog.
    void when(std::function<bool()> Ready, QWidget *ExpectedHolder, const Keys &Pressed,
              std::function<void()> Look = {})
    {
        steps.push_back({std::move(Ready), ExpectedHolder, Pressed, std::move(Look)});
    }

    bool finished() const { return steps.empty() && !pressing; }
    bool gaveUp() const { return stopped; }

    QWidget *keyboardHolder() const
    {
        if (QWidget *popup = QApplication::activePopupWidget())
            return popup->focusWidget() != nullptr ? popup->focusWidget() : popup;
        if (QWidget *modal = QApplication::activeModalWidget())
            return modal->focusWidget() != nullptr ? modal->focusWidget() : modal;
        return window.focusWidget();
    }

private:
    struct Step
    {
        std::function<bool()> ready;
        QWidget *holder;
        Keys keys;
        std::function<void()> look;
    };

    void tick()
    {
        if (stopped) {
            closeEverything();
            return;
        }
        if (pressing || steps.empty())
            return;
        if (!steps.front().ready()) {
            readyBefore = false;
            if (std::chrono::steady_clock::now() - since > kPatience) {
                ADD_FAILURE() << "still waiting for step " << taken + 1;
                giveUp();
            }
            return;
        }
        // The window's handlers let events through while they log, so a moment seen from inside
        // one of them may not have settled yet; it counts when seen at two ticks in a row.
        if (!std::exchange(readyBefore, true))
            return;
        readyBefore = false;
        Step step = std::move(steps.front());
        steps.pop_front();
        ++taken;
        pressing = true;
        // Pressed from a fresh timer: a key that opens a box or dialog blocks in its loop, and
        // the next steps are taken in there.
        QTimer::singleShot(0, [this, step] {
            pressing = false;
            since = std::chrono::steady_clock::now();
            if (step.holder != nullptr && keyboardHolder() != step.holder) {
                ADD_FAILURE() << "step " << taken << ": the keyboard is in a "
                              << (keyboardHolder() != nullptr
                                      ? keyboardHolder()->metaObject()->className()
                                      : "nowhere");
                giveUp();
                return;
            }
            if (step.look)
                step.look();
            for (const QKeyCombination key : step.keys)
                QTest::keyClick(keyboardHolder(), key.key(), key.keyboardModifiers());
        });
    }

    void giveUp()
    {
        stopped = true;
        steps.clear();
        closeEverything();
    }

    static void closeEverything()
    {
        if (QWidget *popup = QApplication::activePopupWidget())
            popup->close();
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (auto *open = qobject_cast<QDialog *>(top); open != nullptr && open->isVisible())
                open->reject();
        }
    }

    TfMain &window;
    QTimer ticker;
    std::deque<Step> steps;
    int taken = 0;
    bool pressing = false;
    bool readyBefore = false;
    bool stopped = false;
    std::chrono::steady_clock::time_point since = std::chrono::steady_clock::now();
};

const KeyboardUser::Keys OpenList{Qt::AltModifier | Qt::Key_Down};

// Alt+Down opens a list, Down Count times, Return chooses.
KeyboardUser::Keys chooseInList(int Count)
{
    KeyboardUser::Keys keys = OpenList;
    for (int i = 0; i < Count; ++i)
        keys.append(QKeyCombination(Qt::Key_Down));
    keys.append(QKeyCombination(Qt::Key_Return));
    return keys;
}

class MainWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(data.isValid());
        QApplication::setQuitOnLastWindowClosed(false);
        qputenv("QUILLON_PORTS_DIR", QDir(data.path()).filePath(QStringLiteral("ports")).toUtf8());
        QDir(data.path()).mkdir(QStringLiteral("ports"));
        MessageBoxes::setAnswerer([this](const MessageBoxes::Box &box) {
            boxes.push_back(box);
            statusAtBox.append(window->widgets.lblStatus->text());
        });
        answerDialogWhenShown();
        dialogWatcher.start(5);
        window = std::make_unique<TfMain>(
            dialog,
            TfMain::Setup{folder(), data.filePath(QStringLiteral("Quillon.ini")), runsFolder()});
        // Not shown: painting a window this large converts its image on Qt's own worker
        // threads, which the thread checker cannot follow. The window works the same unshown.
    }

    void TearDown() override
    {
        dialogWatcher.stop();
        window.reset();
        MessageBoxes::setAnswerer({});
        qunsetenv("QUILLON_PORTS_DIR");
    }

    // Answers the port dialog from inside its modal loop, as the user would.
    void answerDialogWhenShown()
    {
        QObject::connect(&dialogWatcher, &QTimer::timeout, [this] {
            if (!dialog.isVisible())
                return;
            ++dialogsShown;
            statusAtDialog.append(window->widgets.lblStatus->text());
            portOpenAtDialog.push_back(window->Channel().Comm->PortOpen());
            writeRateAtDialog.push_back(dialog.WriteRate());
            const DialogAnswer answer = answers.empty() ? DialogAnswer{false, {}} : answers.front();
            if (!answers.empty())
                answers.pop_front();
            if (!answer.accept) {
                dialog.btnCancel->click();
                return;
            }
            if (answer.port.isEmpty()) {
                dialog.cbxPort_N->setCurrentIndex(-1); // opened and closed without choosing
                dialog.btnAccept->click();
                return;
            }
            if (dialog.cbxPort_N->findText(answer.port) < 0)
                dialog.cbxPort_N->addItem(answer.port);
            dialog.cbxPort_N->setCurrentIndex(dialog.cbxPort_N->findText(answer.port));
            if (answer.writeRate != 0)
                dialog.LoadWriteRate(answer.writeRate);
            languageAtDialog.append(dialog.cbxLanguage->currentText());
            if (answer.language)
                ShowLanguage(*dialog.cbxLanguage, *answer.language);
            dialog.btnAccept->click();
        });
    }

    QString folder() const { return data.path() + u'/'; }
    QString runsFolder() const { return data.filePath(QStringLiteral("runs")); }
    // The records the window kept, one JSON object per run.
    QList<QJsonObject> keptRecords() const
    {
        return recordsIn(RunArchive(runsFolder()).recordFile());
    }

    void writeCatalogue(const QByteArray &text)
    {
        writeFile(folder() + QStringLiteral("Quillon_dir.ini"), text);
    }

    // A type folder with its port profile; the rate differs from 9600 so that the switch runs.
    void writeType(const QString &dirName)
    {
        writeFile(folder() + dirName + QStringLiteral("/upload.ini"), "baudrate=115200\r\n");
    }

    // Announces the simulator's device as a virtual port, the way the simulator program does.
    QString announce(const modemsim::ModemSimulator &simulator, const QString &name)
    {
        const QString link = folder() + QStringLiteral("ports/") + name;
        EXPECT_TRUE(QFile::link(simulator.devicePath(), link));
        return link;
    }

    // A catalogue of one type whose folder holds a port profile, and a simulated modem on a
    // virtual port that the port dialog is to be accepted with. Returns the port.
    QString offerType(const QByteArray &catalogueLine, const QString &dirName,
                      const modemsim::ModemSimulator &simulator)
    {
        writeCatalogue(catalogueLine + "\r\n");
        writeType(dirName);
        const QString port = announce(simulator, QStringLiteral("modem"));
        answers.push_back({true, port});
        return port;
    }

    void addScript(const QString &dirName)
    {
        writeFile(folder() + dirName + QStringLiteral("/compiled/main.pyo"), "print('hello')\n");
    }

    void pickType(const QString &title)
    {
        window->widgets.cbxModems->showPopup();
        window->widgets.cbxModems->hidePopup();
        const int index = window->widgets.cbxModems->findText(title);
        ASSERT_GE(index, 0) << title.toStdString();
        window->widgets.cbxModems->setCurrentIndex(index);
        emit window->widgets.cbxModems->activated(index);
    }

    // The log of the runs: without the line that names the types' folder when the list is first
    // opened, which CatalogueFolderIsNamedOnceWhenTheListIsFirstOpened looks at.
    QStringList logLines() const
    {
        QStringList lines = wholeLog();
        lines.removeAll(TypesFolderText({folder(), TypesSource::Given}));
        return lines;
    }
    QStringList wholeLog() const { return window->widgets.mmoLog->toPlainText().split(u'\n'); }

    // Real boxes and no one answering the dialog but the keyboard user.
    void useKeyboardOnly()
    {
        dialogWatcher.stop();
        MessageBoxes::setAnswerer({});
    }

    bool atStepOne() const
    {
        return QApplication::activeModalWidget() == nullptr &&
               window->widgets.lblStatus->text() == Step1 && logLines().last() == Step1;
    }

    static QMessageBox *boxOnTop()
    {
        return qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    }

    // The box on top as the user reads it: caption and text.
    static QString readBox() { return boxOnTop()->windowTitle() + u'|' + boxOnTop()->text(); }

    bool portDialogUp() const
    {
        return dialog.isVisible() && QApplication::activePopupWidget() == nullptr;
    }

    // Choosing a port in the dialog: the list is read afresh when it opens, so Port is found by
    // its place in what the system lists now.
    static KeyboardUser::Keys choosePort(const QString &Port)
    {
        QComboBox ports;
        TfCOMProperty::ListComPorts(ports);
        const int place = ports.findText(Port);
        EXPECT_GE(place, 0) << Port.toStdString();
        KeyboardUser::Keys keys = chooseInList(place + 1);
        keys.append(QKeyCombination(Qt::Key_Return)); // "Принять"
        return keys;
    }

    bool runEnded() const { return !boxes.empty() && window->widgets.lblStatus->text() == Step1; }

    QTemporaryDir data;
    TfCOMProperty dialog;
    std::unique_ptr<TfMain> window;
    QTimer dialogWatcher;
    std::deque<DialogAnswer> answers;
    int dialogsShown = 0;
    QStringList statusAtDialog;
    std::vector<bool> portOpenAtDialog;
    std::vector<std::uint32_t> writeRateAtDialog;
    QStringList languageAtDialog;
    std::vector<MessageBoxes::Box> boxes;
    QStringList statusAtBox;
};

TEST_F(MainWindow, StartsAtStepOneWithOneLogLine)
{
    EXPECT_EQ(logLines(), QStringList{Step1});
    EXPECT_EQ(window->widgets.lblStatus->text(), Step1);
    EXPECT_EQ(window->widgets.cbxModems->count(), 0);
    EXPECT_TRUE(window->widgets.cbxModems->isEnabled());
    EXPECT_FALSE(window->widgets.lblCommConnect->isEnabled());
    EXPECT_FALSE(window->widgets.lblPowerOn->isEnabled());
    EXPECT_TRUE(window->widgets.pnlLog->isHidden());
    EXPECT_EQ(window->widgets.btnLogSH->text(), QStringLiteral("+"));
    // Placed as at every first start, and with the log hidden exactly as tall as its content.
    EXPECT_EQ(window->geometry().topLeft(), QPoint(299, 116));
    EXPECT_EQ(window->width(), 438);
    EXPECT_EQ(window->height(),
              window->widgets.Panel1->height() + window->widgets.pnlStatusBar->height());
    EXPECT_FALSE(window->tmrRS->isActive());
}

TEST_F(MainWindow, LogButtonShowsAndHidesTheLogAndPlacementIsKept)
{
    const int closedHeight = window->height();
    window->widgets.btnLogSH->click();
    EXPECT_FALSE(window->widgets.pnlLog->isHidden());
    EXPECT_EQ(window->widgets.btnLogSH->text(), QStringLiteral("-"));
    EXPECT_EQ(window->widgets.actLogSH->toolTip(), QStringLiteral("Скрыть лог конфигурирования"));
    EXPECT_GT(window->height(), closedHeight);

    window->widgets.btnLogSH->click();
    EXPECT_TRUE(window->widgets.pnlLog->isHidden());
    EXPECT_EQ(window->widgets.btnLogSH->text(), QStringLiteral("+"));
    EXPECT_EQ(window->height(),
              window->widgets.Panel1->height() + window->widgets.pnlStatusBar->height());

    window->widgets.btnLogSH->click();
    window->resize(500, 700);
    ASSERT_TRUE(window->close());
    TfMain again(dialog, TfMain::Setup{folder(), data.filePath(QStringLiteral("Quillon.ini")),
                                       runsFolder()});
    EXPECT_FALSE(again.widgets.pnlLog->isHidden());
    EXPECT_EQ(again.geometry().size(), QSize(500, 700));

    // A place on a screen that is gone: the window opens where it does at first start.
    QSettings(data.filePath(QStringLiteral("Quillon.ini")), QSettings::IniFormat)
        .setValue(QStringLiteral("Window/Geometry"), QRect(9000, 9000, 500, 700));
    TfMain detached(dialog, TfMain::Setup{folder(), data.filePath(QStringLiteral("Quillon.ini")),
                                          runsFolder()});
    EXPECT_EQ(detached.geometry(), QRect(299, 116, 438, 626));
}

TEST_F(MainWindow, CatalogueErrorKeepsEarlierEntriesAndReloadClearsTheSelection)
{
    window->widgets.cbxModems->showPopup();
    window->widgets.cbxModems->hidePopup();
    ASSERT_EQ(boxes.size(), 1u); // no catalogue at all
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Ошибка"));
    EXPECT_EQ(boxes[0].text,
              QStringLiteral("Файл Quillon_dir.ini отсутствует либо поврежден        "));

    writeCatalogue("// types\r\nFirst:one\r\nSecond:two\r\nbroken line\r\nThird:three\r\n");
    window->widgets.cbxModems->showPopup();
    window->widgets.cbxModems->hidePopup();
    EXPECT_EQ(boxes.size(), 2u);
    ASSERT_EQ(window->widgets.cbxModems->count(), 2);
    EXPECT_EQ(window->widgets.cbxModems->itemText(1), QStringLiteral("Second"));

    writeCatalogue("First:one\r\nSecond:two\r\n");
    window->widgets.cbxModems->setCurrentIndex(1);
    window->widgets.cbxModems->showPopup();
    window->widgets.cbxModems->hidePopup();
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_EQ(window->widgets.cbxModems->currentIndex(), -1);
    // The catalogue's folder is named once, at the first opening; the catalogue itself writes
    // nothing to the log.
    EXPECT_EQ(wholeLog(),
              (QStringList{Step1, QStringLiteral("Типы модемов: %1 (указана в командной строке)")
                                      .arg(QDir::toNativeSeparators(folder()))}));
}

TEST_F(MainWindow, CancellingTheDialogWithoutProfileReturnsToStepOne)
{
    writeCatalogue("Nameless:nothing\r\n");
    answers.push_back({false, {}});
    pickType(QStringLiteral("Nameless"));

    const QString warning = QStringLiteral("Файл upload.ini не обнаружен или испорчен. Настройки "
                                           "СОМ-порта взяты по умолчанию.");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Сообщение"));
    EXPECT_EQ(boxes[0].icon, MessageBoxes::Icon::Warning);
    EXPECT_EQ(boxes[0].text, warning + QStringLiteral("        "));
    EXPECT_EQ(dialogsShown, 1);
    EXPECT_EQ(logLines(), (QStringList{Step1, QStringLiteral("Выбран модем \"Nameless\""), warning,
                                       QString(), Step1}));
    EXPECT_FALSE(window->tmrRS->isActive());
    EXPECT_FALSE(window->Channel().Comm->PortOpen());
    EXPECT_EQ(window->widgets.cbxModems->currentText(), QStringLiteral("Nameless"));
}

// The language is chosen in the port dialog and kept for the next start; the window goes on in
// the language it started with.
TEST_F(MainWindow, LanguageChosenInTheDialogIsKeptForTheNextStart)
{
    const QString settings = data.filePath(QStringLiteral("Quillon.ini"));
    writeCatalogue("Nameless:nothing\r\n");
    answers.push_back({true, QStringLiteral("/dev/quillon-test-none"), 0, Language::English});
    pickType(QStringLiteral("Nameless"));
    ASSERT_TRUE(waitUntil([&] { return dialogsShown >= 1; }));
    ASSERT_TRUE(waitUntil([&] { return !StoredLanguage(settings).isEmpty(); }));
    EXPECT_EQ(languageAtDialog.value(0), QStringLiteral("Русский"));
    EXPECT_EQ(StoredLanguage(settings), QStringLiteral("en"));
    EXPECT_EQ(window->widgets.lblStatus->text(), Step2);
    EXPECT_EQ(ChooseLanguage({}, StoredLanguage(settings), QLocale(QLocale::Russian)),
              Language::English);
}

TEST_F(MainWindow, WholeRunOfAnUnknownTypeEndsWithTheFailureBox)
{
    Timing::ScopedSpeedUp faster(10);
    // The first probes go unanswered, so that the window stays a while at step 3.
    modemsim::Options options;
    options.faults.failFirstN = {{"ATE0", 3}};
    modemsim::ModemSimulator simulator{options};
    const QString port = offerType("Mystery modem: mystery", QStringLiteral(" mystery"), simulator);
    // The modem list through the steps, by status line: enabled only at steps 1 and 2.
    std::map<QString, std::set<bool>> listEnabledAt;
    bool switching = false;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        switching = switching || logLines().last().startsWith(QStringLiteral("Устанавливаю"));
        const QString status = switching && window->widgets.lblStatus->text() == Waiting
                                   ? QStringLiteral("switch")
                                   : window->widgets.lblStatus->text();
        listEnabledAt[status].insert(window->widgets.cbxModems->isEnabled());
    });
    watcher.start(1);
    pickType(QStringLiteral("Mystery modem"));

    ASSERT_TRUE(waitUntil([&] { return runEnded(); }));
    EXPECT_EQ(logLines(),
              (QStringList{Step1, QStringLiteral("Выбран модем \"Mystery modem\""), Step2,
                           QStringLiteral("Модем подключен. Порт: ") + port, Waiting,
                           QStringLiteral("Отклик модема получен"),
                           QStringLiteral("Устанавливаю скорость порта 9600 (без запоминания)."),
                           QStringLiteral("Скорость 9600 задана."), Writing, QString(), QString(),
                           Failed, QString(), Step1}));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Ошибка"));
    EXPECT_EQ(boxes[0].icon, MessageBoxes::Icon::Error);
    EXPECT_EQ(boxes[0].text, Failed + QStringLiteral("          "));
    EXPECT_EQ(statusAtBox.value(0), Writing); // the box is up before the window goes back
    const QList<QJsonObject> records = keptRecords();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0][QStringLiteral("result")].toString(), QStringLiteral("failed"));
    // The runner's words for a run that failed without an error of its own.
    EXPECT_EQ(records[0][QStringLiteral("reason")].toString(), QStringLiteral("запись не удалась"));
    // On a busy machine a short step may pass between two looks; every step seen must be right,
    // and the list must have been seen closed while the modem was awaited. (Step 1 is seen again
    // at the end, for a moment before the list opens, so it is checked by the end state below.)
    listEnabledAt.erase(Step1);
    const std::map<QString, bool> enabledAt = {
        {Step2, true},
        {QStringLiteral("Модем подключен. Порт: ") + port, false},
        {Waiting, false},
        {QStringLiteral("switch"), false},
        {Writing, false}};
    for (const auto &[status, seen] : listEnabledAt) {
        const auto expected = enabledAt.find(status);
        ASSERT_NE(expected, enabledAt.end()) << status.toStdString();
        EXPECT_EQ(seen, std::set<bool>{expected->second}) << status.toStdString();
    }
    EXPECT_TRUE(listEnabledAt.contains(Waiting));
    EXPECT_FALSE(window->Channel().Comm->PortOpen());
    EXPECT_EQ(window->Channel().Comm->BaudRate(), 9600u);
    EXPECT_TRUE(window->widgets.cbxModems->isEnabled());
    EXPECT_FALSE(window->widgets.lblPowerOn->isEnabled());
    EXPECT_EQ(window->widgets.imgDC->property("Tag").toInt(), 0);
    EXPECT_EQ(window->widgets.imgRS->property("Tag").toInt(), 0);
    EXPECT_FALSE(window->tmrRS->isActive());
    EXPECT_FALSE(window->tmrStartPower->isActive());
}

TEST_F(MainWindow, WholeRunOfAScriptModemEndsWithTheSuccessBox)
{
    Timing::ScopedSpeedUp faster(20);
    modemsim::ModemSimulator simulator{modemsim::Options{}};
    offerType("Velmora GL865:Velmora", QStringLiteral("Velmora"), simulator);
    addScript(QStringLiteral("Velmora"));
    pickType(QStringLiteral("Velmora GL865"));

    ASSERT_TRUE(waitUntil([&] { return runEnded(); }));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Сообщение"));
    EXPECT_EQ(boxes[0].icon, MessageBoxes::Icon::Information);
    EXPECT_EQ(boxes[0].text, Succeeded + QStringLiteral("          "));
    // The file's progress stood in the status line only while it was on its way.
    EXPECT_EQ(statusAtBox.value(0), Writing);
    const QStringList lines = logLines();
    EXPECT_EQ(lines.mid(lines.size() - 4), (QStringList{QString(), Succeeded, QString(), Step1}));
    EXPECT_EQ(simulator.storedFiles().count("main.pyo"), 1u);

    // The run is on record, with its log beside it: the lines up to its end.
    const QList<QJsonObject> records = keptRecords();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0][QStringLiteral("result")].toString(), QStringLiteral("programmed"));
    EXPECT_EQ(records[0][QStringLiteral("type")].toString(), QStringLiteral("Velmora"));
    EXPECT_EQ(records[0][QStringLiteral("device")].toString(), simulator.devicePath());
    EXPECT_EQ(records[0][QStringLiteral("files")].toArray().size(), 1);
    const QDir logs(RunArchive(runsFolder()).logFolder());
    const QStringList logNames = logs.entryList(QDir::Files);
    ASSERT_EQ(logNames.size(), 1);
    QFile log(logs.filePath(logNames.first()));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    // Each line kept after the time it was written; the window shows them without.
    static const QRegularExpression stamped(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z (.*)$"));
    QStringList logged;
    for (const QString &line : QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch match = stamped.match(line);
        EXPECT_TRUE(match.hasMatch()) << line.toStdString();
        logged.append(match.captured(1));
    }
    EXPECT_EQ(logged.first(), wholeLog().first());
    EXPECT_EQ(logged.mid(logged.size() - 2), (QStringList{QString(), Succeeded}));
}

// The window for a technician who reads English: the translation is installed before the window
// is made, as the program does at its start.
const QString EnglishStep1 = QStringLiteral("Select the modem type in step 1...");

class MainWindowInEnglish : public MainWindow
{
protected:
    void SetUp() override
    {
        InstallTranslators(Language::English);
        MainWindow::SetUp();
    }

    void TearDown() override
    {
        MainWindow::TearDown();
        RemoveTranslators();
    }

    bool runEndedInEnglish() const
    {
        return !boxes.empty() && window->widgets.lblStatus->text() == EnglishStep1;
    }

    // Every text the window shows: its labels, the status line, the log.
    QString shownTexts() const
    {
        QStringList texts{window->windowTitle(), window->widgets.lblStatus->text(),
                          window->widgets.mmoLog->toPlainText()};
        for (const QLabel *label : window->findChildren<QLabel *>())
            texts.append(label->text());
        return texts.join(u'\n');
    }
};

bool HasCyrillic(const QString &Text)
{
    return std::any_of(Text.begin(), Text.end(),
                       [](QChar c) { return c.script() == QChar::Script_Cyrillic; });
}

TEST_F(MainWindowInEnglish, WholeRunOfAScriptModemIsShownAndLoggedInEnglish)
{
    Timing::ScopedSpeedUp faster(20);
    modemsim::ModemSimulator simulator{modemsim::Options{}};
    const QString port = offerType("Velmora GL865:Velmora", QStringLiteral("Velmora"), simulator);
    addScript(QStringLiteral("Velmora"));
    pickType(QStringLiteral("Velmora GL865"));

    ASSERT_TRUE(waitUntil([&] { return runEndedInEnglish(); }));
    const QString programmed = QStringLiteral("Programming completed successfully");
    EXPECT_EQ(
        logLines(),
        (QStringList{EnglishStep1,
                     QStringLiteral("Modem type \"Velmora GL865\" selected"),
                     QStringLiteral("Waiting for the modem on the serial port..."),
                     QStringLiteral("Modem connected. Port: ") + port,
                     QStringLiteral("Waiting for the modem to answer..."),
                     QStringLiteral("The modem answered"),
                     QStringLiteral("Setting the port speed to 9600 (not stored in the modem)."),
                     QStringLiteral("Speed 9600 set."),
                     QStringLiteral("Programming the modem..."),
                     QString(),
                     QString(),
                     QStringLiteral("Removing the autostart..."),
                     QStringLiteral("AT#ESCRIPT=\"\" >> "),
                     QStringLiteral("OK"),
                     QString(),
                     QStringLiteral("AT#ENHRST=1,0 >> "),
                     QStringLiteral("OK"),
                     QString(),
                     QStringLiteral("Deleting old file main.pyo ..."),
                     QStringLiteral("file not found"),
                     QStringLiteral("Writing file main.pyo (15 bytes) ..."),
                     QStringLiteral("file written"),
                     QStringLiteral("Checking the checksum of main.pyo ..."),
                     QStringLiteral("CRC ok"),
                     QString(),
                     QString(),
                     QStringLiteral("AT#ESCRIPT=\"main.pyo\" >> "),
                     QStringLiteral("OK"),
                     QString(),
                     QStringLiteral("AT#STARTMODESCR=1,15 >> "),
                     QStringLiteral("OK"),
                     QString(),
                     QString(),
                     programmed,
                     QString(),
                     EnglishStep1}));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Message"));
    EXPECT_EQ(boxes[0].text, programmed + QStringLiteral("          "));
    EXPECT_FALSE(HasCyrillic(shownTexts())) << shownTexts().toStdString();
    EXPECT_EQ(keptRecords().value(0)[QStringLiteral("result")].toString(),
              QStringLiteral("programmed"));
}

TEST_F(MainWindowInEnglish, FailedRunIsRecordedWithItsReasonInEnglishBesideItsCode)
{
    Timing::ScopedSpeedUp faster(10);
    modemsim::ModemSimulator simulator{modemsim::Options{}};
    offerType("Mystery modem: mystery", QStringLiteral(" mystery"), simulator);
    pickType(QStringLiteral("Mystery modem"));

    ASSERT_TRUE(waitUntil([&] { return runEndedInEnglish(); }));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(boxes[0].text,
              QStringLiteral("Programming failed. Start again from step 1.          "));
    const QList<QJsonObject> records = keptRecords();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0][QStringLiteral("reason")].toString(),
              QStringLiteral("programming failed"));
    EXPECT_EQ(records[0][QStringLiteral("reason_code")].toString(), QStringLiteral("write-failed"));
    EXPECT_FALSE(HasCyrillic(shownTexts())) << shownTexts().toStdString();
}

// The demo catalogue as shipped beside the program, programmed through one window against one
// modem that stays on the bench, as a technician does all day: every run starts over with the
// probe, whatever the modem said last. A modem that is off after that must time out.
TEST_F(MainWindow, EveryRunOfTheDayStartsWithTheProbe)
{
    std::optional<Timing::ScopedSpeedUp> faster(std::in_place, 5);
    for (QDirIterator it(QStringLiteral(QUILLON_DEMO_DATA), QDir::Files,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        const QString source = it.next();
        QFile file(source);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        writeFile(folder() + QDir(QStringLiteral(QUILLON_DEMO_DATA)).relativeFilePath(source),
                  file.readAll());
    }
    modemsim::Options options;
    options.family = modemsim::Family::Every;
    options.transferLog = folder() + QStringLiteral("tc65/transfer_fw.log");
    modemsim::ModemSimulator simulator{options};
    const QString port = announce(simulator, QStringLiteral("bench"));

    const auto pickDemoType = [this](const QString &dirName) {
        window->widgets.cbxModems->showPopup();
        window->widgets.cbxModems->hidePopup();
        int index = 0;
        while (index < window->widgets.cbxModems->count() &&
               window->widgets.cbxModems->itemData(index).value<TDirObject>().DirName != dirName)
            ++index;
        EXPECT_LT(index, window->widgets.cbxModems->count());
        window->widgets.cbxModems->setCurrentIndex(index);
        emit window->widgets.cbxModems->activated(index);
        return window->widgets.cbxModems->itemText(index);
    };

    for (const QString &dirName : {QStringLiteral("velmora"), QStringLiteral("tu41"),
                                   QStringLiteral("tc65"), QStringLiteral("velmora")}) {
        SCOPED_TRACE(dirName.toStdString());
        answers.push_back({true, port});
        boxes.clear();
        const qsizetype runStart = logLines().size();
        const qsizetype wireStart = simulator.received().size();
        const qsizetype sentStart = simulator.sent().size();
        const QString title = pickDemoType(dirName);

        ASSERT_TRUE(waitUntil([&] { return runEnded(); }));
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, Succeeded + QStringLiteral("          "));
        EXPECT_TRUE(simulator.received().mid(wireStart).startsWith("ATE0\r\n"));
        const QStringList run = logLines().mid(runStart);
        // The demo's tu41 type writes at 115200 bit/s, the others at 9600.
        const QString rate = dirName == u"tu41" ? QStringLiteral("115200") : QStringLiteral("9600");
        EXPECT_EQ(run.mid(0, 9),
                  (QStringList{
                      QStringLiteral("Выбран модем \"") + title + u'"', Step2,
                      QStringLiteral("Модем подключен. Порт: ") + port, Waiting,
                      QStringLiteral("Отклик модема получен"),
                      QStringLiteral("Устанавливаю скорость порта %1 (без запоминания).").arg(rate),
                      QStringLiteral("Скорость %1 задана.").arg(rate), Writing, QString()}));
        EXPECT_EQ(run.mid(run.size() - 4), (QStringList{QString(), Succeeded, QString(), Step1}));
        // The modem's echo went off with the first probe and stays off.
        EXPECT_FALSE(simulator.sent().mid(sentStart).contains("AT+IPR="));
        EXPECT_EQ(window->focusWidget(), window->widgets.cbxModems);
    }

    // What the modem holds is what the folders held, byte for byte.
    EXPECT_FALSE(simulator.replayedBlocks().empty());
    const auto stored = simulator.storedFiles();
    for (const QString &dirName : {QStringLiteral("velmora"), QStringLiteral("tu41")}) {
        const QDir compiled(folder() + dirName + QStringLiteral("/compiled"));
        for (const QString &name : compiled.entryList(QDir::Files)) {
            QFile file(compiled.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            const auto found = stored.find(name.toUtf8());
            ASSERT_NE(found, stored.end()) << name.toStdString();
            EXPECT_EQ(found->second, file.readAll()) << name.toStdString();
        }
    }

    // The last answer of the day is still "OK"; a modem that is off never answers the probe.
    faster.emplace(100);
    modemsim::Options off;
    off.faults.neverAnswerProbe = true;
    modemsim::ModemSimulator offModem{off};
    answers.push_back({true, announce(offModem, QStringLiteral("off"))});
    answers.push_back({false, {}});
    boxes.clear();
    const qsizetype runStart = logLines().size();
    pickDemoType(QStringLiteral("velmora"));
    ASSERT_TRUE(waitUntil([&] { return window->widgets.lblStatus->text() == Step1; }));
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(logLines().mid(runStart).contains(TimedOut));
    EXPECT_FALSE(logLines().mid(runStart).contains(QStringLiteral("Отклик модема получен")));
    EXPECT_FALSE(offModem.received().contains("AT+IPR"));
}

TEST_F(MainWindow, PowerOnTimeoutReopensTheDialog)
{
    // Port ticks every millisecond: one falls due while the time-out line is being logged, and
    // must not reopen the port under the dialog.
    Timing::ScopedSpeedUp faster(250);
    modemsim::Options silent;
    silent.faults.neverAnswerProbe = true;
    modemsim::ModemSimulator simulator{silent};
    const QString port = offerType("Silent:silent", QStringLiteral("silent"), simulator);
    answers.push_back({true, port});
    answers.push_back({false, {}});
    pickType(QStringLiteral("Silent"));

    ASSERT_TRUE(
        waitUntil([&] { return dialogsShown == 3 && window->widgets.lblStatus->text() == Step1; }));
    const QStringList cycle{Step2, QStringLiteral("Модем подключен. Порт: ") + port, Waiting,
                            TimedOut};
    const QStringList expected = QStringList{Step1, QStringLiteral("Выбран модем \"Silent\"")} +
                                 cycle + cycle + QStringList{QString(), Step1};
    EXPECT_EQ(logLines(), expected);
    // While the dialog is up after a time-out the port is closed and the status still waits.
    EXPECT_EQ(statusAtDialog.mid(1), (QStringList{Waiting, Waiting}));
    EXPECT_EQ(portOpenAtDialog, (std::vector<bool>{false, false, false}));
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(window->tmrRS->isActive());
    EXPECT_FALSE(window->tmrStartPower->isActive());
    EXPECT_FALSE(window->widgets.lblPowerOn->isEnabled());
}

// A modem that never answers is probed every 250 ms until the power-on wait ends at its 16th
// one-second tick: from the first probe to the last lie 62 or 63 probe intervals. Counted in the
// intervals the simulator saw, not in seconds: a late tick on a loaded machine does not move the
// ticks after it.
TEST_F(MainWindow, SilentModemIsProbedFourTimesASecondForSixteenSeconds)
{
    Timing::ScopedSpeedUp faster(2);
    modemsim::Options silent;
    silent.faults.neverAnswerProbe = true;
    modemsim::ModemSimulator simulator{silent};
    offerType("Silent:silent", QStringLiteral("silent"), simulator);
    answers.push_back({false, {}});
    pickType(QStringLiteral("Silent"));
    ASSERT_TRUE(
        waitUntil([&] { return dialogsShown == 2 && window->widgets.lblStatus->text() == Step1; }));

    std::vector<std::chrono::steady_clock::time_point> probes;
    for (const modemsim::WireRecord &record : simulator.wire()) {
        if (record.direction == modemsim::WireRecord::Received && record.bytes.startsWith("ATE0"))
            probes.push_back(record.when);
    }
    ASSERT_GE(probes.size(), 10u);
    std::vector<std::chrono::steady_clock::duration> gaps;
    for (std::size_t at = 1; at < probes.size(); ++at)
        gaps.push_back(probes[at] - probes[at - 1]);
    const auto middle = gaps.begin() + static_cast<std::ptrdiff_t>(gaps.size() / 2);
    std::nth_element(gaps.begin(), middle, gaps.end());
    const double intervals = std::chrono::duration<double>(probes.back() - probes.front()) /
                             std::chrono::duration<double>(*middle);
    EXPECT_NEAR(intervals, 62.5, 2.0) << probes.size() << " probes";
}

// Data the procedure would refuse, or line settings no port can take, are refused when the type
// is chosen, before the modem is probed and switched: a line, an error box, step 1 again.
TEST_F(MainWindow, DataOrSettingsThatCannotWorkAreRefusedBeforeThePortOpens)
{
    modemsim::ModemSimulator simulator{modemsim::Options{}};
    const QString port = offerType("Velmora:velmora", QStringLiteral("velmora"), simulator);
    addScript(QStringLiteral("velmora"));
    writeFile(folder() + QStringLiteral("velmora/compiled/empty.bin"), {});
    answers.clear();
    pickType(QStringLiteral("Velmora"));

    const QString emptyFile = QStringLiteral("Файл empty.bin пуст. Запись данных отменена.");
    EXPECT_EQ(dialogsShown, 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Ошибка"));
    EXPECT_EQ(boxes[0].text, emptyFile + QStringLiteral("         "));
    EXPECT_EQ(logLines().mid(1), (QStringList{QStringLiteral("Выбран модем \"Velmora\""), emptyFile,
                                              QString(), Step1}));

    // Only five data bits take 1.5 stop bits; the dialog shows the profile's and they are kept.
    QFile::remove(folder() + QStringLiteral("velmora/compiled/empty.bin"));
    writeFile(folder() + QStringLiteral("velmora/upload.ini"), "databits=8\r\nstopbits=1,5\r\n");
    answers.push_back({true, port});
    boxes.clear();
    const qsizetype runStart = logLines().size();
    pickType(QStringLiteral("Velmora"));
    const QString stopBits =
        QStringLiteral("Стоповые биты: 1,5. Они возможны только при 5 битах данных. Запись "
                       "данных отменена.");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, stopBits + QStringLiteral("         "));
    EXPECT_EQ(logLines().mid(runStart), (QStringList{QStringLiteral("Выбран модем \"Velmora\""),
                                                     stopBits, QString(), Step1}));
    EXPECT_FALSE(window->tmrRS->isActive());
    waitUntil([] { return false; }, 300ms);
    EXPECT_TRUE(simulator.received().isEmpty());
}

// Accepted without a port there is nothing to open: step 2 says so and tries nothing.
TEST_F(MainWindow, NoPortChosenIsSaidAtStepTwoInsteadOfRetrying)
{
    writeCatalogue("Ghost:ghost\r\n");
    writeType(QStringLiteral("ghost"));
    answers.push_back({true, {}});
    pickType(QStringLiteral("Ghost"));
    EXPECT_EQ(window->widgets.lblStatus->text(), NoPortChosenText());
    EXPECT_EQ(logLines().last(), NoPortChosenText());
    EXPECT_EQ(window->widgets.lblCommConnect->toolTip().left(NoPortChosenText().size()),
              NoPortChosenText());
    EXPECT_FALSE(window->tmrRS->isActive());
    EXPECT_TRUE(window->widgets.cbxModems->isEnabled());
}

// An error that ends a handler never leaves it: the same line in the log and in the box
// captioned with the application title, and the window back at step 1.
TEST_F(MainWindow, AnErrorInAHandlerIsShownAndLoggedAndStepOneFollows)
{
    writeCatalogue("Broken:broken\r\n");
    QDir().mkpath(folder() + QStringLiteral("broken"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/proc/self/mem"),
                            folder() + QStringLiteral("broken/upload.ini")));
    pickType(QStringLiteral("Broken"));
    const QString line =
        QStringLiteral("Файл %1broken/upload.ini не удается прочитать.").arg(folder());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("QXL - Quillon"));
    EXPECT_EQ(boxes[0].icon, MessageBoxes::Icon::Error);
    EXPECT_EQ(boxes[0].text, line);
    EXPECT_EQ(logLines().mid(1),
              (QStringList{QStringLiteral("Выбран модем \"Broken\""), line, QString(), Step1}));
    EXPECT_EQ(dialogsShown, 0);
    EXPECT_TRUE(window->widgets.cbxModems->isEnabled());
}

// The dialog shows the profile's write rate, the run uses the one the technician accepted, and a
// write rate that is none stops the type before the dialog.
TEST_F(MainWindow, WriteRateComesFromTheProfileAndTheDialog)
{
    Timing::ScopedSpeedUp faster(10);
    modemsim::ModemSimulator simulator{modemsim::Options{}};
    const QString port = offerType("Mystery modem:mystery", QStringLiteral("mystery"), simulator);
    writeFile(folder() + QStringLiteral("mystery/upload.ini"),
              "baudrate=115200\r\nwriterate=57600\r\n");
    answers.front().writeRate = 19200;
    pickType(QStringLiteral("Mystery modem"));
    ASSERT_TRUE(waitUntil([&] { return runEnded(); }));
    EXPECT_EQ(writeRateAtDialog, std::vector<std::uint32_t>{57600});
    const QStringList lines = logLines();
    const qsizetype switchAt =
        lines.indexOf(QStringLiteral("Устанавливаю скорость порта 19200 (без запоминания)."));
    ASSERT_GE(switchAt, 0);
    EXPECT_EQ(lines.value(switchAt + 1), QStringLiteral("Скорость 19200 задана."));

    writeFile(folder() + QStringLiteral("mystery/upload.ini"), "writerate=256000\r\n");
    answers.push_back({true, port});
    boxes.clear();
    pickType(QStringLiteral("Mystery modem"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("writerate=256000")))
        << boxes[0].text.toStdString();
    EXPECT_EQ(writeRateAtDialog.size(), 1u);
    EXPECT_EQ(logLines().mid(logLines().size() - 3, 1), QStringList{boxes[0].text});
}

TEST_F(MainWindow, PortThatCannotBeOpenedIsRetriedSilentlyWithTheReasonAsHint)
{
    Timing::ScopedSpeedUp faster(10);
    writeCatalogue("Ghost:ghost\r\n");
    writeType(QStringLiteral("ghost"));
    const QString port = folder() + QStringLiteral("no-such-device");
    answers.push_back({true, port});
    pickType(QStringLiteral("Ghost"));
    ASSERT_TRUE(window->tmrRS->isActive());

    ASSERT_TRUE(waitUntil([&] { return !window->widgets.lblCommConnect->toolTip().isEmpty(); }));
    QThread::msleep(100);
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->widgets.lblCommConnect->toolTip().contains(QStringLiteral("не найдено")));
    // Said on the status line too, where the technician looks, and not logged every 250 ms.
    EXPECT_EQ(logLines().last(), Step2);
    EXPECT_TRUE(window->widgets.lblStatus->text().startsWith(
        QStringLiteral("Устройство %1 не найдено.").arg(port)))
        << window->widgets.lblStatus->text().toStdString();
    EXPECT_TRUE(window->tmrRS->isActive());
    EXPECT_TRUE(window->widgets.cbxModems->isEnabled());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(MainWindow, ABusyPortSaysOnTheStatusLineWhoHoldsItUntilItOpens)
{
    Timing::ScopedSpeedUp faster(10);
    modemsim::ModemSimulator simulator{modemsim::Options{}};
    const QString port = offerType("Velmora:velmora", QStringLiteral("velmora"), simulator);
    addScript(QStringLiteral("velmora"));
    // Another program holds the port by the lock file the serial programs agree on.
    QProcess holder;
    holder.start(QStringLiteral("sleep"), {QStringLiteral("60")});
    ASSERT_TRUE(holder.waitForStarted());
    const QString device = QFileInfo(simulator.devicePath()).canonicalFilePath();
    const QString lock = qEnvironmentVariable("QUILLON_LOCK_DIR") + QStringLiteral("/LCK..") +
                         device.mid(5).replace(u'/', u'_');
    writeFile(lock, QByteArray::number(holder.processId()).rightJustified(10) + '\n');

    pickType(QStringLiteral("Velmora"));
    const QString busy = QStringLiteral("Порт %1 занят программой sleep (процесс %2)")
                             .arg(device)
                             .arg(holder.processId());
    ASSERT_TRUE(waitUntil([&] { return window->widgets.lblStatus->text().startsWith(busy); }))
        << window->widgets.lblStatus->text().toStdString();
    EXPECT_FALSE(logLines().join(u'\n').contains(busy));

    // The other program lets go: the port opens and the status line goes on with the steps.
    holder.kill();
    holder.waitForFinished();
    ASSERT_TRUE(waitUntil([&] { return runEnded(); }));
    EXPECT_EQ(boxes.at(0).text, Succeeded + QStringLiteral("          "));
    EXPECT_TRUE(logLines().contains(QStringLiteral("Модем подключен. Порт: ") + port));
}

// The failure box keeps its words and says under them why, as the run's record does.
TEST_F(MainWindow, TheFailureBoxAddsTheRunsReasonAsTheRecordHoldsIt)
{
    Timing::ScopedSpeedUp faster(20);
    struct Case
    {
        const char *name;
        modemsim::Family family;
        modemsim::Faults faults;
        QString reason;
        QByteArray transferLog; // the type's, for a replay modem
    };
    modemsim::Faults unplugged;
    // In the middle of the file, whatever the probes before the answer added up to (a power-on
    // wait holds some 60 of them, 6 bytes each).
    unplugged.vanishAfterBytes = 2500;
    modemsim::Faults jdlTimeout;
    jdlTimeout.jdlTimeout = true;
    modemsim::Faults deleteUnanswered;
    deleteUnanswered.silentCommands = {"AT#DSCRIPT="};
    modemsim::Faults autostartUnanswered;
    autostartUnanswered.silentCommands = {"AT^SCFG="};
    // The replay modem answers as the demo's log says; a type's log may expect otherwise.
    const QString modemLog = QStringLiteral(QUILLON_DEMO_DATA "/tc65/transfer_fw.log");
    QFile demoLog(modemLog);
    ASSERT_TRUE(demoLog.open(QIODevice::ReadOnly));
    const QByteArray asRecorded = demoLog.readAll();
    const QByteArray expectingNo =
        QByteArray(asRecorded).replace("-> 0D 0A 4F 4B 0D 0A", "-> 4E 4F");
    for (const Case &c : {
             Case{"unplugged",
                  modemsim::Family::Java,
                  unplugged,
                  QStringLiteral("СОМ-порт %1 потерян (устройство отключено)."),
                  {}},
             Case{"jdl-timeout",
                  modemsim::Family::Java,
                  jdlTimeout,
                  QStringLiteral("Модем не принял файл ehsx.jar: JDL TIMEOUT (выполнено 0 из 1)"),
                  {}},
             Case{"delete-unanswered",
                  modemsim::Family::Script,
                  deleteUnanswered,
                  QStringLiteral("Модем не ответил на удаление файла main.pyo: таймаут "
                                 "(выполнено 0 из 1)"),
                  {}},
             Case{"autostart-unanswered", modemsim::Family::Replay, autostartUnanswered,
                  QStringLiteral("Модем не принял команду "
                                 "at^SCFG=\"userware/autostart\",\"\",\"0\": TIMEOUT "
                                 "(выполнено 0 из 152)"),
                  asRecorded},
             Case{"replay-mismatch",
                  modemsim::Family::Replay,
                  {},
                  QStringLiteral("Модем не дал ответа, записанного в transfer_fw.log: ожидалось "
                                 "4E 4F (NO) (выполнено 5 из 152)"),
                  expectingNo},
         }) {
        SCOPED_TRACE(c.name);
        boxes.clear();
        modemsim::Options options;
        options.family = c.family;
        options.faults = c.faults;
        options.transferLog = modemLog;
        modemsim::ModemSimulator simulator{options};
        QFile::remove(folder() + QStringLiteral("ports/modem"));
        const QString type = c.family == modemsim::Family::Script ? QStringLiteral("velmora")
                             : c.family == modemsim::Family::Java ? QStringLiteral("tu41")
                                                                  : QStringLiteral("tc65");
        const QString port = offerType("Modem:" + type.toUtf8(), type, simulator);
        if (c.family == modemsim::Family::Script)
            addScript(type);
        if (c.family == modemsim::Family::Java)
            writeFile(folder() + QStringLiteral("tu41/compiled/ehsx.jar"), QByteArray(4000, 'j'));
        if (c.family == modemsim::Family::Replay)
            writeFile(folder() + QStringLiteral("tc65/transfer_fw.log"), c.transferLog);
        pickType(QStringLiteral("Modem"));

        ASSERT_TRUE(waitUntil([&] { return runEnded(); }));
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].caption, QStringLiteral("Ошибка"));
        EXPECT_EQ(boxes[0].text, Failed + QStringLiteral("          "));
        const QString reason = c.reason.contains(u'%') ? c.reason.arg(port) : c.reason;
        EXPECT_EQ(boxes[0].informative, reason);
        EXPECT_EQ(keptRecords().last()[QStringLiteral("reason")].toString(), reason);
    }
}

// quillon --demo: the simulator program plays the demo's three modems, and the window programs
// each of them on the demo types, as someone trying an installed Quillon would.
TEST_F(MainWindow, TheDemoProgramsItsThreeTypesOnItsOwnSimulators)
{
    Timing::ScopedSpeedUp faster(4);
    const QString ports = folder() + QStringLiteral("ports");
    const QString demoTypes = QStringLiteral(QUILLON_DEMO_DATA "/");
    std::optional<DemoSimulators> demo(std::in_place, QStringLiteral(QUILLON_MODEMSIM_EXE),
                                       demoTypes, ports);
    const auto problem = demo->start();
    ASSERT_FALSE(problem) << problem->text.toStdString();
    window = std::make_unique<TfMain>(
        dialog, TfMain::Setup{demoTypes, data.filePath(QStringLiteral("Quillon.ini")), runsFolder(),
                              TypesSource::Demo});
    const std::pair<QString, QString> types[] = {
        {QStringLiteral("Модем Velmora (сценарии Python)"), QStringLiteral("velmora")},
        {QStringLiteral("Модем Tu41 (приложение Java)"), QStringLiteral("tu41")},
        {QStringLiteral("Модем Tc65 (журнал передачи)"), QStringLiteral("tc65")}};
    for (const auto &[title, name] : types) {
        SCOPED_TRACE(name.toStdString());
        // Here the ports are in the test's folder, not where the demo's profiles name them.
        answers.push_back({true, QDir(ports).filePath(name)});
        boxes.clear();
        pickType(title);
        ASSERT_TRUE(waitUntil([&] { return runEnded(); }));
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, Succeeded + QStringLiteral("          "));
    }
    EXPECT_EQ(wholeLog().at(1), QStringLiteral("Типы модемов: %1 (демонстрационные типы)")
                                    .arg(QDir::toNativeSeparators(demoTypes)));
    // The simulators go with the demo, and their ports with them.
    demo.reset();
    for (const auto &[title, name] : types)
        EXPECT_FALSE(QFileInfo(QDir(ports).filePath(name)).isSymLink()) << name.toStdString();
}

TEST_F(MainWindow, NoEntrySelectedWhenTheModemAnswersFails)
{
    // Real time: the first port tick is 250 ms away when the list is opened.
    modemsim::ModemSimulator simulator{modemsim::Options{}};
    offerType("Velmora:velmora", QStringLiteral("velmora"), simulator);
    addScript(QStringLiteral("velmora"));
    pickType(QStringLiteral("Velmora"));
    // The user opens the list during step 2 and closes it without choosing.
    window->widgets.cbxModems->showPopup();
    window->widgets.cbxModems->hidePopup();
    ASSERT_EQ(window->widgets.cbxModems->currentIndex(), -1);

    ASSERT_TRUE(waitUntil([&] { return runEnded(); }));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, Failed + QStringLiteral("          "));
}

TEST_F(MainWindow, ClosingDuringARunEndsItsWaitFailsItWithoutABoxThenCloses)
{
    Timing::ScopedSpeedUp faster(20);
    modemsim::ModemSimulator simulator{modemsim::Options{}};
    offerType("Velmora:velmora", QStringLiteral("velmora"), simulator);
    addScript(QStringLiteral("velmora"));
    bool closeRefused = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (window->widgets.lblStatus->text() == Writing && !closeRefused) {
            closeRefused = !window->close();
            closer.stop();
        }
    });
    closer.start(1);
    pickType(QStringLiteral("Velmora"));

    // The window saves its placement when it really closes.
    ASSERT_TRUE(
        waitUntil([&] { return QFile::exists(data.filePath(QStringLiteral("Quillon.ini"))); }));
    EXPECT_TRUE(closeRefused);
    EXPECT_TRUE(window->QuitRequested());
    EXPECT_TRUE(boxes.empty()); // a box would hold the closing window open
    EXPECT_TRUE(logLines().contains(Failed));
    EXPECT_EQ(logLines().last(), Step1);
    EXPECT_FALSE(window->Channel().Comm->PortOpen());
    // Recorded as the runner records a stopped run, in the same words.
    const QList<QJsonObject> records = keptRecords();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0][QStringLiteral("result")].toString(), QStringLiteral("interrupted"));
    EXPECT_EQ(records[0][QStringLiteral("reason")].toString(), QStringLiteral("прервано"));
}

// A day at the bench with the keyboard only: Alt+Down, Down and Return choose the first type, the
// port is chosen in the dialog and accepted with Return, and the end box is closed with Return;
// then the same modem again, its old file still stored, and a type that fails. Every time the
// first Down lands on the first entry and the keyboard is back in the modem list at step 1.
TEST_F(MainWindow, KeyboardOnlyRunsOneAfterAnother)
{
    Timing::ScopedSpeedUp faster(20);
    useKeyboardOnly();
    modemsim::ModemSimulator simulator{modemsim::Options{}};
    writeCatalogue("Velmora GL865:velmora\r\nMystery modem: mystery\r\n");
    writeType(QStringLiteral("velmora"));
    addScript(QStringLiteral("velmora"));
    writeType(QStringLiteral(" mystery"));
    const QString port = announce(simulator, QStringLiteral("modem"));
    // Not the last port, so that a Down too many chooses a wrong one.
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), folder() + QStringLiteral("ports/other")));

    KeyboardUser user(*window);
    QStringList boxTexts;
    QStringList portsShown;
    const auto readBoxes = [&] { boxTexts.append(readBox()); };
    const auto dialogUp = [this] { return portDialogUp(); };
    const auto readDialog = [&] { portsShown.append(dialog.cbxPort_N->currentText()); };
    const auto boxUp = [] { return boxOnTop() != nullptr; };
    const auto stepOne = [this] { return atStepOne(); };

    user.when(stepOne, window->widgets.cbxModems, chooseInList(1));
    user.when(dialogUp, dialog.cbxPort_N, choosePort(port), readDialog);
    user.when(boxUp, nullptr, {Qt::Key_Return}, readBoxes);
    user.when(stepOne, window->widgets.cbxModems, chooseInList(1));
    user.when(dialogUp, dialog.cbxPort_N, {Qt::Key_Return}, readDialog);
    user.when(boxUp, nullptr, {Qt::Key_Return}, readBoxes);
    user.when(stepOne, window->widgets.cbxModems, chooseInList(2));
    user.when(dialogUp, dialog.cbxPort_N, {Qt::Key_Return}, readDialog);
    user.when(boxUp, nullptr, {Qt::Key_Escape}, readBoxes);
    // Opening the list and moving in it chooses nothing; Escape closes it.
    user.when(stepOne, window->widgets.cbxModems, {OpenList[0], Qt::Key_Down, Qt::Key_Escape});
    const qsizetype runsStart = logLines().size();
    ASSERT_TRUE(waitUntil([&] { return user.gaveUp() || (user.finished() && atStepOne()); }));
    ASSERT_FALSE(user.gaveUp());

    const QString succeeded = QStringLiteral("Сообщение|") + Succeeded + QString(10, u' ');
    EXPECT_EQ(boxTexts, (QStringList{succeeded, succeeded,
                                     QStringLiteral("Ошибка|Во время опереации произошел сбой.\n"
                                                    "Повторите операцию с шага №1.") +
                                         QString(10, u' ')}));
    // The first time no port was chosen yet; later the port of the last run is shown.
    EXPECT_EQ(portsShown.mid(1), (QStringList{port, port}));
    const QStringList head{QStringLiteral("Выбран модем \"Velmora GL865\""),
                           Step2,
                           QStringLiteral("Модем подключен. Порт: ") + port,
                           Waiting,
                           QStringLiteral("Отклик модема получен"),
                           QStringLiteral("Устанавливаю скорость порта 9600 (без запоминания)."),
                           QStringLiteral("Скорость 9600 задана."),
                           Writing};
    const QStringList log = logLines();
    const QStringList first = log.mid(runsStart, log.indexOf(Step1, runsStart) + 1 - runsStart);
    EXPECT_EQ(first.mid(0, head.size()), head);
    EXPECT_TRUE(first.contains(QStringLiteral("файл не найден")));
    EXPECT_EQ(first.mid(first.size() - 4), (QStringList{QString(), Succeeded, QString(), Step1}));
    const qsizetype secondStart = runsStart + first.size();
    const QStringList second =
        log.mid(secondStart, log.indexOf(Step1, secondStart) + 1 - secondStart);
    EXPECT_EQ(second.mid(0, head.size()), head);
    EXPECT_FALSE(second.contains(QStringLiteral("файл не найден"))); // still stored from the first
    EXPECT_EQ(second.mid(second.size() - 4), (QStringList{QString(), Succeeded, QString(), Step1}));
    const qsizetype thirdStart = secondStart + second.size();
    EXPECT_EQ(log.mid(thirdStart),
              (QStringList{QStringLiteral("Выбран модем \"Mystery modem\""), Step2,
                           QStringLiteral("Модем подключен. Порт: ") + port, Waiting,
                           QStringLiteral("Отклик модема получен"),
                           QStringLiteral("Устанавливаю скорость порта 9600 (без запоминания)."),
                           QStringLiteral("Скорость 9600 задана."), Writing, QString(), QString(),
                           Failed, QString(), Step1}));
    EXPECT_EQ(window->widgets.cbxModems->currentIndex(), -1);
    EXPECT_EQ(user.keyboardHolder(), window->widgets.cbxModems);
    EXPECT_EQ(simulator.storedFiles().count("main.pyo"), 1u);
}

// Escape in the port dialog goes back to step 1, a refusal box closes with Return, and wherever
// the modem list is open to a choice again, the keyboard is in it: also at step 2 after the
// power-on wait ran out and the dialog was accepted again.
TEST_F(MainWindow, KeyboardIsInTheModemListWheneverItCanBeChosenFrom)
{
    Timing::ScopedSpeedUp faster(250);
    useKeyboardOnly();
    modemsim::Options silent;
    silent.faults.neverAnswerProbe = true;
    modemsim::ModemSimulator simulator{silent};
    writeCatalogue("Silent:silent\r\nRefused:velmora\r\n");
    writeType(QStringLiteral("silent"));
    writeType(QStringLiteral("velmora"));
    addScript(QStringLiteral("velmora"));
    writeFile(folder() + QStringLiteral("velmora/compiled/empty.bin"), {});
    const QString port = announce(simulator, QStringLiteral("modem"));
    // A port that never opens keeps the window at step 2.
    const QString deadPort = folder() + QStringLiteral("ports/unusable");
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), deadPort));

    KeyboardUser user(*window);
    QStringList boxTexts;
    const auto stepOne = [this] { return atStepOne(); };
    const auto dialogUp = [this] { return portDialogUp(); };
    const auto timedOutUp = [&] { return dialogUp() && logLines().last() == TimedOut; };
    const auto retryingAtStepTwo = [&] {
        return QApplication::activeModalWidget() == nullptr && logLines().last() == Step2 &&
               !window->widgets.lblCommConnect->toolTip().isEmpty();
    };

    user.when(stepOne, window->widgets.cbxModems, chooseInList(2));
    user.when([] { return boxOnTop() != nullptr; }, nullptr, {Qt::Key_Return},
              [&] { boxTexts.append(readBox()); });
    user.when(stepOne, window->widgets.cbxModems, chooseInList(1));
    user.when(dialogUp, dialog.cbxPort_N, {Qt::Key_Escape});
    user.when(stepOne, window->widgets.cbxModems, chooseInList(1));
    user.when(dialogUp, dialog.cbxPort_N, choosePort(port));
    user.when(timedOutUp, dialog.cbxPort_N, choosePort(deadPort));
    user.when(retryingAtStepTwo, window->widgets.cbxModems, chooseInList(1));
    user.when(dialogUp, dialog.cbxPort_N, {Qt::Key_Escape});
    const qsizetype start = logLines().size();
    ASSERT_TRUE(waitUntil([&] { return user.gaveUp() || (user.finished() && atStepOne()); }));
    ASSERT_FALSE(user.gaveUp());

    const QString refusal = QStringLiteral("Файл empty.bin пуст. Запись данных отменена.");
    EXPECT_EQ(boxTexts, QStringList{QStringLiteral("Ошибка|Файл empty.bin пуст.\nЗапись данных "
                                                   "отменена.") +
                                    QString(9, u' ')});
    const QString chosen = QStringLiteral("Выбран модем \"Silent\"");
    EXPECT_EQ(logLines().mid(start),
              (QStringList{QStringLiteral("Выбран модем \"Refused\""), refusal, QString(), Step1,
                           chosen, QString(), Step1, chosen, Step2,
                           QStringLiteral("Модем подключен. Порт: ") + port, Waiting, TimedOut,
                           Step2, chosen, QString(), Step1}));
    EXPECT_EQ(user.keyboardHolder(), window->widgets.cbxModems);
    EXPECT_FALSE(window->tmrRS->isActive());
    EXPECT_FALSE(window->Channel().Comm->PortOpen());
}

} // namespace
