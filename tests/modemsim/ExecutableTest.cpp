// quillon-modemsim as the demo starts it: a link in the virtual port folder, answers on it, every
// byte logged, and the link gone again when the simulator is stopped.
#include "tests/modemsim/SimTestSupport.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <string>
#include <vector>

namespace {

// The simulator as a child process, its standard output and error read through one pipe. A
// plain fork and exec, which the thread sanitizer follows (it loses track of the main thread's
// locks after QProcess's own way of starting a child).
class Simulator
{
public:
    Simulator(const std::vector<std::string> &arguments, const std::string &portsFolder)
    {
        std::array<int, 2> pipe{};
        if (::pipe2(pipe.data(), O_CLOEXEC) != 0)
            throw std::runtime_error("pipe");
        std::vector<char *> argv{const_cast<char *>(QUILLON_MODEMSIM_EXE)};
        for (const std::string &argument : arguments)
            argv.push_back(const_cast<char *>(argument.c_str()));
        argv.push_back(nullptr);
        const std::string folder = "QUILLON_PORTS_DIR=" + portsFolder;
        std::vector<char *> environment{const_cast<char *>(folder.c_str()), nullptr};
        pid = ::fork();
        if (pid == 0) {
            ::dup2(pipe[1], STDOUT_FILENO);
            ::dup2(pipe[1], STDERR_FILENO);
            ::execve(argv[0], argv.data(), environment.data());
            ::_exit(127);
        }
        ::close(pipe[1]);
        output = pipe[0];
    }
    ~Simulator()
    {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        ::close(output);
    }
    Simulator(const Simulator &) = delete;
    Simulator &operator=(const Simulator &) = delete;

    // Everything printed so far, once `needle` is in it or the deadline has passed.
    QByteArray printed(const QByteArray &needle)
    {
        if (!text.contains(needle))
            text += readFrom(output, needle, kPatience);
        return text;
    }

    // Stops it as the demo does; its exit status, or -1 when it did not end normally.
    int stop()
    {
        ::kill(pid, SIGTERM);
        int status = 0;
        ::waitpid(std::exchange(pid, -1), &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid = -1;
    int output = -1;
    QByteArray text;
};

} // namespace

class Executable : public LeakCheckedTest
{
};

TEST_F(Executable, AnnouncesAnswersLogsAndCleansUp)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString ports = folder.filePath(QStringLiteral("ports"));
    const QString link = ports + QStringLiteral("/velmora");
    Simulator simulator(
        {"--family", "script", "--name", "velmora", "--error", "AT#DSCRIPT=@+CME ERROR: 4"},
        ports.toStdString());
    ASSERT_TRUE(simulator.printed("link ").contains("link " + link.toLocal8Bit()));
    ASSERT_TRUE(QFileInfo(link).isSymLink());
    {
        SlaveLine line(link);
        line.send("ATE0\r\nAT#DSCRIPT=\"a\"\r\n");
        EXPECT_EQ(line.waitFor("4\r\n"), "ATE0\r\r\nOK\r\n\r\n+CME ERROR: 4\r\n");
    }
    const QByteArray log = simulator.printed("4\\r\\n\"");
    EXPECT_TRUE(
        log.contains("<- 22 bytes \"ATE0\\r\\nAT#DSCRIPT=\"a\"\\r\\n\" 41 54 45 30 0D 0A 41"))
        << log.constData();
    EXPECT_TRUE(log.contains("-> 28 bytes \"ATE0\\r\\r\\nOK\\r\\n\\r\\n+CME ERROR: 4\\r\\n\""))
        << log.constData();

    EXPECT_EQ(simulator.stop(), 0);
    EXPECT_FALSE(QFileInfo(link).exists() || QFileInfo(link).isSymLink());
}
