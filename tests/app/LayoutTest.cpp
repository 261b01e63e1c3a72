// The window, the port dialog and the message boxes shown and painted at the default font and at
// 11 pt, on the screen the test runs with (ctest runs it on a netbook screen and on scaled ones):
// every text whole, nothing off the screen, no empty bands.
#include "app/DropDownComboBox.h"
#include "app/MessageBoxes.h"
#include "app/PortTile.h"
#include "app/StationWindow.h"
#include "app/TfCOMProperty.h"
#include "app/TfMain.h"
#include "engine/PortBoard.h"
#include "language/Language.h"
#include "tests/common/TestSupport.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QStyleOptionComboBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <iostream>

namespace {

QString describe(const QWidget &widget)
{
    const auto *label = qobject_cast<const QLabel *>(&widget);
    const auto *button = qobject_cast<const QAbstractButton *>(&widget);
    const auto *list = qobject_cast<const QComboBox *>(&widget);
    const QString text = label    ? label->text()
                         : button ? button->text()
                         : list   ? list->currentText()
                                  : widget.objectName();
    return QStringLiteral("%1 \"%2\"")
        .arg(QString::fromLatin1(widget.metaObject()->className()), text);
}

// Whether the text a closed drop-down list shows fits into its field.
bool listTextFits(const QComboBox &list)
{
    QStyleOptionComboBox option;
    option.initFrom(&list);
    option.frame = list.hasFrame();
    const QRect field = list.style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                     QStyle::SC_ComboBoxEditField, &list);
    return list.fontMetrics().horizontalAdvance(list.currentText()) <= field.width();
}

// Every visible text of the top-level widget is whole: labels and buttons get at least the size
// they ask for, lists show their present entry whole, group titles fit.
void expectNothingCut(const QWidget &top)
{
    const QList<QWidget *> widgets = top.findChildren<QWidget *>();
    for (const QWidget *widget : widgets) {
        if (!widget->isVisible())
            continue;
        const QSize size = widget->size();
        const auto *label = qobject_cast<const QLabel *>(widget);
        if (label != nullptr && label->wordWrap()) {
            EXPECT_GE(size.height(), label->heightForWidth(size.width()))
                << describe(*widget).toStdString();
        } else if (label != nullptr || qobject_cast<const QAbstractButton *>(widget)) {
            const QSize wanted = widget->sizeHint();
            EXPECT_GE(size.width(), wanted.width()) << describe(*widget).toStdString();
            EXPECT_GE(size.height(), wanted.height()) << describe(*widget).toStdString();
        } else if (const auto *list = qobject_cast<const QComboBox *>(widget)) {
            EXPECT_TRUE(listTextFits(*list)) << describe(*list).toStdString();
        } else if (const auto *group = qobject_cast<const QGroupBox *>(widget)) {
            EXPECT_GE(size.width(), group->minimumSizeHint().width())
                << group->title().toStdString();
        }
    }
}

// The whole window, its frame included, on the screen's free area.
void expectOnScreen(const QWidget &window)
{
    const QRect available = window.screen()->availableGeometry();
    EXPECT_TRUE(available.contains(window.frameGeometry()))
        << window.objectName().toStdString() << " at " << window.frameGeometry().x() << ","
        << window.frameGeometry().y() << " " << window.frameGeometry().width() << "x"
        << window.frameGeometry().height() << " on " << available.width() << "x"
        << available.height();
}

// Painted; QUILLON_LAYOUT_SHOTS names a folder to keep the pictures in, for a look by eye.
void expectPainted(QWidget &window, const QString &name)
{
#if defined(__SANITIZE_THREAD__)
    // A large picture is converted on Qt Gui's own worker threads, which the thread checker cannot
    // follow (Debian's Qt is not built for it); the layout is checked all the same.
    return;
#endif
    const QPixmap picture = window.grab();
    EXPECT_FALSE(picture.isNull()) << name.toStdString();
    const QString folder = qEnvironmentVariable("QUILLON_LAYOUT_SHOTS");
    if (!folder.isEmpty())
        picture.save(QStringLiteral("%1/%2-%3x%4-%5pt.png")
                         .arg(folder, name)
                         .arg(window.screen()->availableGeometry().width())
                         .arg(window.screen()->availableGeometry().height())
                         .arg(QApplication::font().pointSize()));
}

// Prints the size the window took, checks it on the screen with every text whole and paints it.
void look(QWidget &window, const QString &name)
{
    const QRect available = window.screen()->availableGeometry();
    std::cout << name.toStdString() << ": " << window.width() << "x" << window.height()
              << " (screen " << available.width() << "x" << available.height() << ", font "
              << QApplication::font().pointSize() << " pt)" << std::endl;
    expectNothingCut(window);
    expectOnScreen(window);
    expectPainted(window, name);
}

bool showAndWait(QWidget &window)
{
    window.show();
    return waitUntil([&] { return window.isVisible(); });
}

// The font size (0: the default) and the language a layout is checked in.
struct LayoutCase
{
    int pointSize;
    Language language;
};

// Runs the test with the default font and with an 11 pt one, in Russian and in English: the
// windows are made after the translation is installed, as the programs make them.
class Layout : public ::testing::TestWithParam<LayoutCase>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(data.isValid());
        if (GetParam().pointSize > 0) {
            QFont font = defaultFont;
            font.setPointSize(GetParam().pointSize);
            QApplication::setFont(font);
        }
        if (GetParam().language != Language::Russian)
            InstallTranslators(GetParam().language);
        qputenv("QUILLON_PORTS_DIR", ports().toUtf8());
        QDir().mkpath(ports());
        MessageBoxes::setAnswerer([](const MessageBoxes::Box &) {});
    }

    void TearDown() override
    {
        MessageBoxes::setAnswerer({});
        qunsetenv("QUILLON_PORTS_DIR");
        QApplication::setFont(defaultFont);
        RemoveTranslators();
    }

    QString ports() const { return data.filePath(QStringLiteral("ports")); }
    TfMain::Setup setup() const
    {
        return {QStringLiteral(QUILLON_DEMO_DATA), data.filePath(QStringLiteral("Quillon.ini"))};
    }

    const QFont defaultFont = QApplication::font();
    QTemporaryDir data{QStringLiteral("/tmp/qlXXXXXX")}; // as short as the program's own folder
};

INSTANTIATE_TEST_SUITE_P(
    Fonts, Layout,
    ::testing::Values(LayoutCase{0, Language::Russian}, LayoutCase{11, Language::Russian},
                      LayoutCase{0, Language::English}, LayoutCase{11, Language::English}),
    [](const ::testing::TestParamInfo<LayoutCase> &layout) {
        const std::string font = layout.param.pointSize > 0
                                     ? "Font" + std::to_string(layout.param.pointSize) + "pt"
                                     : std::string("DefaultFont");
        return font + (layout.param.language == Language::English ? "English" : "");
    });

TEST_P(Layout, WindowShowsEveryTextWholeAndStaysOnTheScreenWithTheLog)
{
    TfCOMProperty dialog;
    TfMain window(dialog, setup());
    window.LoadModemList(*window.widgets.cbxModems);
    window.widgets.cbxModems->setCurrentIndex(0); // the longest title of the demo catalogue
    ASSERT_TRUE(showAndWait(window));
    look(window, QStringLiteral("window"));
    // No band above the instructions' end or below the status line.
    EXPECT_EQ(window.height(),
              window.widgets.Panel1->height() + window.widgets.pnlStatusBar->height());
    EXPECT_LE(window.widgets.Memo1->height(), window.widgets.Memo1->sizeHint().height());

    window.widgets.btnLogSH->click();
    look(window, QStringLiteral("window-log"));
    EXPECT_GE(window.widgets.pnlLog->height(), window.widgets.pnlLog->minimumHeight());

    // A log taller than any screen, as a larger monitor may have left it.
    window.widgets.btnLogSH->click();
    window.widgets.pnlLog->resize(window.widgets.pnlLog->width(), 5000);
    window.widgets.btnLogSH->click();
    expectOnScreen(window);

    window.widgets.btnLogSH->click();
    EXPECT_EQ(window.height(),
              window.widgets.Panel1->height() + window.widgets.pnlStatusBar->height());
}

TEST_P(Layout, DialogShowsEveryLabelAndTheWholePortPathCentredOnTheScreen)
{
    const QString longPort = QDir(ports()).filePath(QStringLiteral("bench3-FT4232H-A9XK37-if03"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), longPort));
    TfCOMProperty dialog;
    TComm32 port;
    port.SetCommPort(longPort);
    dialog.LoadFromComm(port);
    ASSERT_EQ(dialog.cbxPort_N->currentText(), longPort);
    ASSERT_TRUE(showAndWait(dialog));
    look(dialog, QStringLiteral("port-dialog"));
    // The buttons follow the settings without an empty band between them.
    const QWidget *group = dialog.findChild<QGroupBox *>();
    const QWidget *buttons = dialog.findChild<QDialogButtonBox *>();
    ASSERT_TRUE(group && buttons);
    EXPECT_LE(buttons->geometry().top() - group->geometry().bottom(),
              2 * dialog.fontMetrics().height());
    dialog.reject();

    // No port at all: the note under the list is read whole too.
    ASSERT_TRUE(QFile::remove(longPort));
    dialog.LoadFromComm(port);
    ASSERT_TRUE(showAndWait(dialog));
    look(dialog, QStringLiteral("port-dialog-no-ports"));
    dialog.reject();
}

TEST_P(Layout, MessageBoxPutsEachSentenceOnALineAndIsNoWiderThanTheWindow)
{
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a real modal box starts Qt's own threads, whose locks the thread checker "
                    "cannot see";
#endif
    MessageBoxes::setAnswerer({}); // the real box
    TfCOMProperty dialog;
    TfMain window(dialog, setup());
    ASSERT_TRUE(showAndWait(window));
    QString shown;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        shown = box->text();
        look(*box, QStringLiteral("failure-box"));
        EXPECT_LE(box->width(), window.width());
        box->accept();
    });
    window.ShowBox(
        StepsView::Box::Error,
        QStringLiteral(
            "Во время опереации произошел сбой. Повторите операцию с шага №1.          "));
    EXPECT_EQ(shown, QStringLiteral("Во время опереации произошел сбой.\n"
                                    "Повторите операцию с шага №1.          "));
}

// The longest texts a tile shows: a stable name with its device, a failure's reason in full, a
// file on its way with its bytes and time left.
PortState worstTile(const QString &Port, int Index)
{
    PortState state;
    state.port = Port;
    state.label = Port + QStringLiteral(" (/dev/ttyUSB%1)").arg(Index + 10);
    state.imei = QStringLiteral("356938035643809");
    state.counts.programmed = 1234;
    state.counts.failed = 56;
    switch (Index % 4) {
    case 0:
        state.stage = PortStage::Failed;
        state.lastRun = PortResult{};
        state.lastRun->reason = QStringLiteral("СОМ-порт %1 потерян (устройство отключено). "
                                               "(выполнено 1 из 2)")
                                    .arg(Port);
        break;
    case 1:
        state.stage = PortStage::Programming;
        state.progress.phase = RunPhase::Writing;
        state.progress.done = 1;
        state.progress.total = 2;
        state.progress.transfer = {QStringLiteral("ehsx_loader_application.jar"), 48000, 102399,
                                   960};
        break;
    case 2:
        state.stage = PortStage::AlreadyProgrammed;
        break;
    default:
        state.stage = PortStage::Good;
        break;
    }
    return state;
}

// The station on the line's screens: four tiles in sight at once with nothing cut, the longest
// texts in them, down to a netbook at 125 % with 11 pt fonts; eight and sixteen scroll, still
// with nothing cut.
TEST_P(Layout, StationShowsFourTilesWholeAndMoreScrollWithoutCuttingAText)
{
    for (const int count : {4, 8, 16}) {
        StationWindow station({QStringLiteral(QUILLON_DEMO_DATA "/"),
                               data.filePath(QStringLiteral("QuillonStation.ini")),
                               data.filePath(QStringLiteral("runs.jsonl"))});
        StationSetup given;
        given.type = QStringLiteral("tu41");
        for (int port = 0; port < count; ++port)
            given.ports.append(QDir(ports()).filePath(
                QStringLiteral("usb-FTDI_FT232R_USB_UART_A%1B2C3D4-if00-port0").arg(port)));
        station.applySetup(given);
        ASSERT_TRUE(station.start()) << station.lblProblem->text().toStdString();
        station.stop(); // no port has a device; the tiles are given their longest texts below
        ASSERT_TRUE(waitUntil([&] { return !station.running(); }));
        ASSERT_TRUE(showAndWait(station));
        for (int port = 0; port < count; ++port)
            station.tiles.at(port)->render(worstTile(given.ports.at(port), port));
        station.layout()->activate();
        QApplication::processEvents();
        look(station, QStringLiteral("station-%1-tiles").arg(count));
        // A netbook's 1024x600 at 125 % leaves 480 points of height: four tiles in sight down to
        // that; on a smaller screen they scroll like more tiles do.
        if (count > 4 || station.screen()->availableGeometry().height() < 480)
            continue;
        const QWidget *viewport = station.scrTiles->viewport();
        for (const PortTile *tile : std::as_const(station.tiles)) {
            const QRect shown(tile->mapTo(viewport, QPoint()), tile->size());
            EXPECT_TRUE(viewport->rect().contains(shown))
                << "a tile out of sight at " << shown.x() << "," << shown.y() << " "
                << shown.width() << "x" << shown.height() << " in " << viewport->width() << "x"
                << viewport->height();
        }
    }
}

// Also in styles that show a list's entries as a menu (Fusion among them).
TEST(DropDownList, OpensWithItsVisibleRowCount)
{
    DropDownComboBox list;
    for (int entry = 1; entry <= 20; ++entry)
        list.addItem(QStringLiteral("Модем %1").arg(entry));
    list.setMaxVisibleItems(12);
    list.show();
    list.showPopup();
    QAbstractItemView *rows = list.view();
    ASSERT_TRUE(waitUntil([&] { return rows->isVisible(); }));
    const int rowHeight = rows->sizeHintForRow(0);
    EXPECT_EQ(rows->viewport()->height() / rowHeight, 12);
    list.hidePopup();
}

} // namespace
