// One main for every test program: headless by default, with the Qt application object that the
// event-driven code under test needs, a scratch folder of its own, and in the sanitizer builds the
// checkers' options.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#ifdef QUILLON_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
using TestApplication = QCoreApplication;
#endif

// The checkers read these before main runs; the environment still overrides them.
#if defined(__SANITIZE_THREAD__)
// Some tests start the runner from a process whose simulated modems already run on threads; the
// child only execs, which the checker cannot tell.
#define QUILLON_SANITIZER_VARIABLE "TSAN_OPTIONS"
#define QUILLON_SANITIZER_OPTIONS                                                                  \
    "halt_on_error=1 second_deadlock_stack=1 die_after_fork=0 "                                    \
    "suppressions=" QUILLON_TSAN_SUPPRESSIONS
extern "C" const char *__tsan_default_options()
{
    return QUILLON_SANITIZER_OPTIONS;
}
#elif defined(__SANITIZE_ADDRESS__)
#define QUILLON_SANITIZER_VARIABLE "UBSAN_OPTIONS"
#define QUILLON_SANITIZER_OPTIONS "print_stacktrace=1:halt_on_error=1"
extern "C" const char *__ubsan_default_options()
{
    return QUILLON_SANITIZER_OPTIONS;
}
#endif

namespace {

// Every temporary file of the test (and of the programs it starts) goes into one folder, and the
// ports are locked in a folder inside it, never in the machine's /run/lock. The folder is made
// under QUILLON_TEST_TMP when the build names one, so that a test the runner had to kill leaves
// its remains in the build tree rather than in /tmp.
class ScratchFolder
{
public:
    ScratchFolder() : folder(pattern())
    {
        if (!folder.isValid())
            return;
        qputenv("TMPDIR", QFile::encodeName(folder.path()));
        const QString locks = folder.filePath(QStringLiteral("locks"));
        QDir().mkpath(locks);
        qputenv("QUILLON_LOCK_DIR", QFile::encodeName(locks));
        // Qt Gui wants a private runtime folder and warns on every start without one.
        const QString runtime = folder.filePath(QStringLiteral("runtime"));
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    }
    bool isValid() const { return folder.isValid(); }

private:
    static QString pattern()
    {
#ifdef QUILLON_TEST_TMP
        const QString base = QStringLiteral(QUILLON_TEST_TMP);
        QDir().mkpath(base);
#else
        const QString base = QDir::tempPath();
#endif
        return base + QStringLiteral("/test-XXXXXX");
    }

    QTemporaryDir folder;
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef QUILLON_SANITIZER_VARIABLE
    // The programs a test starts (the runner, the simulator) are checked the same way.
    if (!qEnvironmentVariableIsSet(QUILLON_SANITIZER_VARIABLE))
        qputenv(QUILLON_SANITIZER_VARIABLE, QUILLON_SANITIZER_OPTIONS);
#endif
    // The programs a test starts speak the language their texts are written in, whatever the
    // machine's locale; a test of another language asks for it.
    qputenv("QUILLON_LANG", "ru");
    const ScratchFolder scratch;
    if (!scratch.isValid())
        return 1;
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
