// quillon-flash: programs modems of one type from a script, several ports at once, no window.
#include "atlink/Timing.h"
#include "common/RunGuarded.h"
#include "engine/EventRelay.h"
#include "engine/FlashRunner.h"
#include "engine/ModemTypeLookup.h"
#include "engine/PortBoard.h"
#include "engine/StationSession.h"
#include "flash/ExitCodes.h"
#include "flash/FlashOptions.h"
#include "flash/FlashOutput.h"
#include "flash/InterruptSignals.h"
#include "flash/JsonOutput.h"
#include "flash/Terminal.h"
#include "flash/TextOutput.h"
#include "language/Language.h"
#include "records/RunRecordFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QIODevice>

#include <memory>
#include <optional>

namespace {

void writeTo(QIODevice &Stream, const QString &Text)
{
    Stream.write(Text.toUtf8());
}

// Tests run the long waits faster; nothing else sets this.
bool applyTestSpeedUp()
{
    const QString text = qEnvironmentVariable("QUILLON_TIME_SPEEDUP");
    if (text.isEmpty())
        return true;
    bool ok = false;
    const int factor = text.toInt(&ok);
    if (!ok || factor < 1)
        return false;
    Timing::setSpeedUp(factor);
    return true;
}

// A refusal before any port is touched, said as Text on standard error and, for a collector
// that reads only standard output, as JSON there.
int refuse(Terminal &Streams, const QString &Text, const QString &Reason, bool Json)
{
    writeTo(Streams.errors(), Text);
    if (Json)
        Streams.output().write(JsonRefusal(Reason));
    return FlashExit::BadInvocation;
}

int refuse(Terminal &Streams, const QString &Reason, bool Json)
{
    return refuse(Streams, Reason + u'\n', Reason, Json);
}

QList<PortJob> jobsFor(const FlashOptions &Options, const TDirObject &Type, RunRecordFile *Records)
{
    QList<PortJob> jobs;
    for (const QString &port : Options.ports)
        jobs.append({port, Type, Options.noWait, Options.maxAttempts, Options.writeRate,
                     Options.identify, Records, Options.logFolder});
    return jobs;
}

// A log folder that cannot be written would lose every run's log: said before any port is
// touched, as a record file that cannot be written is.
std::optional<QString> unwritableFolder(const QString &Folder)
{
    if (Folder.isEmpty())
        return std::nullopt;
    const QFileInfo folder(Folder);
    if (QDir().mkpath(Folder) && folder.isDir() && folder.isWritable())
        return std::nullopt;
    return QStringLiteral("Cannot write run logs to %1").arg(folder.absoluteFilePath());
}

int runFlash(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillon-flash"));
    StartInLanguage();
    Terminal terminal;

    const QStringList arguments = QCoreApplication::arguments();
    const auto request = ParseFlashCommandLine(arguments);
    if (!request) {
        const QString mistake = request.failure().text;
        return refuse(terminal, mistake + QStringLiteral("\nTry 'quillon-flash --help'.\n"),
                      mistake, AsksForJson(arguments));
    }
    if (request->help) {
        writeTo(terminal.output(), FlashHelpText(FindTypesFolder(TypesPlaces::OfThisMachine())));
        return FlashExit::AllProgrammed;
    }
    if (request->version) {
        writeTo(terminal.output(), FlashVersionText());
        return FlashExit::AllProgrammed;
    }
    FlashOptions options = request->options;
    if (!applyTestSpeedUp())
        return refuse(terminal,
                      QStringLiteral("QUILLON_TIME_SPEEDUP must be a whole number from 1 up"),
                      options.json);
    const auto type = FindModemType(options.dataFolder, options.type);
    if (!type)
        return refuse(terminal, type.failure().text, options.json);
    if (const auto refusal = RunRefusal(*type))
        return refuse(terminal, refusal->text, options.json);
    // As the window does: the port the type's profile names.
    if (options.ports.isEmpty())
        options.ports.append(ProfilePort(*type));
    if (options.ports.first().isEmpty())
        return refuse(terminal,
                      QStringLiteral("Name at least one port: --port DEVICE (the upload.ini of %1 "
                                     "names none)")
                          .arg(type->DirName),
                      options.json);

    // A station must not program modems it cannot account for.
    std::optional<RunRecordFile> records;
    if (!options.recordFile.isEmpty()) {
        records.emplace(options.recordFile);
        if (const auto failure = records->open())
            return refuse(terminal,
                          QStringLiteral("Cannot append to the record file %1").arg(failure->text),
                          options.json);
    }

    if (const auto refusal = unwritableFolder(options.logFolder))
        return refuse(terminal, *refusal, options.json);
    options.logFolder =
        options.logFolder.isEmpty() ? QString() : QFileInfo(options.logFolder).absoluteFilePath();

    QIODevice &out = terminal.output();
    if (!out.isWritable())
        return FlashExit::BadInvocation;
    std::unique_ptr<FlashOutput> output;
    PortBoard board(options.ports, type->Title);
    if (options.json)
        output = std::make_unique<JsonOutput>(board, out);
    else
        output =
            std::make_unique<TextOutput>(board, out,
                                         TextLook{[&terminal] { return terminal.liveLineWidth(); },
                                                  terminal.takesColours(), options.quiet});
    board.setNext(output.get());

    const int ports = static_cast<int>(options.ports.size());
    EventRelay relay(board, ports);
    std::optional<StationSession> station;
    if (options.continuous)
        station.emplace(ports);
    FlashRunner runner(jobsFor(options, *type, records ? &*records : nullptr), relay,
                       station ? &*station : nullptr);
    InterruptSignals interrupts;
    QObject::connect(&interrupts, &InterruptSignals::interrupted, &app, [&runner, &board] {
        runner.requestQuit();
        board.stopRequested();
    });
    QObject::connect(&interrupts, &InterruptSignals::interruptedAgain, &app,
                     [&runner] { runner.abandon(); });
    QObject::connect(&relay, &EventRelay::allFinished, &app, &QCoreApplication::quit);
    runner.start();
    QCoreApplication::exec();
    runner.join();

    const QList<PortResult> results = runner.results();
    const int exitCode = FlashExitCode(results, runner.quitRequested());
    if (station)
        output->summarizeStation(station->elapsedMs(), exitCode);
    else
        output->summarize(exitCode);
    return exitCode;
}

} // namespace

int main(int argc, char **argv)
{
    // Every failure a user must read is a value by now, and each run catches its own port's
    // errors; what could still escape ends the runner as a failure, since no one can say what the
    // modems received.
    return RunGuarded("quillon-flash", FlashExit::SomeFailed, [&] { return runFlash(argc, argv); });
}
