// The runner on a terminal of its own: a pseudo-terminal whose size the test sets, as a user's
// terminal window has one, and no COLUMNS in the environment (shells do not export it).
#include "flash/ExitCodes.h"
#include "tests/common/TestSupport.h"
#include "tests/flash/FlashProcess.h"
#include "tools/modemsim/ModemSimulator.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// A pseudo-terminal of Columns columns; the program's output is read from its master side.
class TerminalWindow
{
public:
    explicit TerminalWindow(int Columns)
    {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
            return;
        winsize size{};
        size.ws_row = 40;
        size.ws_col = static_cast<unsigned short>(Columns);
        ioctl(master, TIOCSWINSZ, &size);
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
        device = QString::fromLocal8Bit(ptsname(master));
    }
    ~TerminalWindow()
    {
        if (master >= 0)
            close(master);
    }
    TerminalWindow(const TerminalWindow &) = delete;
    TerminalWindow &operator=(const TerminalWindow &) = delete;

    bool isOpen() const { return !device.isEmpty(); }

    // Runs quillon-flash with its standard output on this terminal until it ends; its exit code,
    // or -1 when it did not end in time.
    int run(const QStringList &Arguments, bool NoColour)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QUILLON_TIME_SPEEDUP"),
                           QString::number(FlashProcess::SpeedUp));
        environment.remove(QStringLiteral("COLUMNS"));
        environment.insert(QStringLiteral("TERM"), QStringLiteral("xterm-256color"));
        environment.remove(QStringLiteral("NO_COLOR"));
        if (NoColour)
            environment.insert(QStringLiteral("NO_COLOR"), QStringLiteral("1"));
        process.setProcessEnvironment(environment);
        process.setStandardOutputFile(device);
        process.start(QStringLiteral(QUILLON_FLASH_EXE), Arguments);
        const QDeadlineTimer deadline(std::chrono::minutes(1));
        // Read all along: a full terminal would hold the program's writes.
        while (!process.waitForFinished(20) && !deadline.hasExpired())
            drain();
        drain();
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
            return -1;
        }
        return process.exitCode();
    }

    QString shown() const { return QString::fromUtf8(bytes); }

private:
    void drain()
    {
        char buffer[4096];
        ssize_t count = 0;
        while ((count = read(master, buffer, sizeof buffer)) > 0)
            bytes.append(buffer, count);
    }

    int master = -1;
    QString device;
    QByteArray bytes;
};

class RunnerOnATerminal : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        modemsim::Options options;
        // A stable name as the README advises: long enough to fill an 80-column line alone.
        options.linkPath =
            folder.filePath(QStringLiteral("usb-FTDI_FT232R_USB_UART_A1B2C3D4-if00-port0"));
        modem.emplace(options);
        port = options.linkPath;
        label = port + QStringLiteral(" (") + modem->devicePath() + u')';
    }

    QStringList arguments() const { return FlashArguments(QStringLiteral("velmora"), {port}); }

    QTemporaryDir folder;
    std::optional<modemsim::ModemSimulator> modem;
    QString port;
    QString label;
};

// The whole width of the terminal is used, whatever COLUMNS says or does not say; the good
// outcome is green where colours are welcome, and only there.
TEST_F(RunnerOnATerminal, LiveLinesTakeTheTerminalsWidthAndItsColours)
{
    ASSERT_GT(label.size() + 40, 80) << "the name must not fit an 80-column line with its state";
    TerminalWindow wide(static_cast<int>(label.size()) + 60);
    ASSERT_TRUE(wide.isOpen());
    ASSERT_EQ(wide.run(arguments(), false), FlashExit::AllProgrammed) << wide.shown().toStdString();
    EXPECT_TRUE(wide.shown().contains(label + QStringLiteral("  \x1b[32mзапрограммирован")))
        << wide.shown().toStdString();

    TerminalWindow plain(static_cast<int>(label.size()) + 60);
    ASSERT_EQ(plain.run(arguments(), true), FlashExit::AllProgrammed);
    EXPECT_TRUE(plain.shown().contains(label + QStringLiteral("  запрограммирован")))
        << plain.shown().toStdString();
    EXPECT_FALSE(plain.shown().contains(QStringLiteral("\x1b[32m")));
}

// Too narrow for the name: the name is shortened from its start, the state is whole.
TEST_F(RunnerOnATerminal, ANarrowTerminalShortensTheNameNotTheState)
{
    TerminalWindow narrow(60);
    ASSERT_TRUE(narrow.isOpen());
    ASSERT_EQ(narrow.run(arguments(), true), FlashExit::AllProgrammed);
    static const QRegularExpression shortened(
        QStringLiteral("…([^ …]+ \\([^)]+\\))  запрограммирован"));
    const QRegularExpressionMatch line = shortened.match(narrow.shown());
    ASSERT_TRUE(line.hasMatch()) << narrow.shown().toStdString();
    EXPECT_TRUE(label.endsWith(line.captured(1))) << line.captured(1).toStdString();
}

} // namespace
