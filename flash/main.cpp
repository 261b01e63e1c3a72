// quillon-flash: programs modems of one type from a script, several ports at once, no window.
#include "atlink/Timing.h"
#include "flash/ExitCodes.h"
#include "flash/FlashOptions.h"
#include "flash/FlashOutput.h"
#include "flash/FlashRunner.h"
#include "flash/InterruptSignals.h"
#include "flash/JsonOutput.h"
#include "flash/ModemTypeLookup.h"
#include "flash/StationSession.h"
#include "flash/TextOutput.h"
#include "records/RunRecordFile.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <memory>
#include <optional>
#include <unistd.h>

namespace {

constexpr int DefaultTerminalWidth = 80;

void writeTo(FILE *Stream, const QString &Text)
{
    const QByteArray bytes = Text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), Stream);
    std::fflush(Stream);
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

int terminalWidth()
{
    if (!isatty(STDOUT_FILENO))
        return 0;
    bool ok = false;
    const int columns = qEnvironmentVariableIntValue("COLUMNS", &ok);
    return ok && columns > 0 ? columns : DefaultTerminalWidth;
}

QList<PortJob> jobsFor(const FlashOptions &Options, const TDirObject &Type, RunRecordFile *Records)
{
    QList<PortJob> jobs;
    for (const QString &port : Options.ports)
        jobs.append({port, Type, Options.noWait, Options.maxAttempts, Options.writeRate,
                     Options.identify, Records});
    return jobs;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillon-flash"));

    if (!applyTestSpeedUp()) {
        writeTo(stderr, QStringLiteral("QUILLON_TIME_SPEEDUP must be a whole number from 1 up\n"));
        return FlashExit::BadInvocation;
    }
    const ParsedCommandLine parsed = ParseFlashCommandLine(QCoreApplication::arguments());
    if (!parsed.options) {
        writeTo(parsed.exitCode == 0 ? stdout : stderr, parsed.message);
        return parsed.exitCode;
    }
    const FlashOptions &options = *parsed.options;
    const ModemTypeLookup type = FindModemType(options.dataFolder, options.type);
    if (!type.entry) {
        writeTo(stderr, type.error + u'\n');
        return FlashExit::BadInvocation;
    }
    if (const auto refusal = RunRefusal(*type.entry)) {
        writeTo(stderr, *refusal + u'\n');
        return FlashExit::BadInvocation;
    }

    // A station must not program modems it cannot account for.
    std::optional<RunRecordFile> records;
    if (!options.recordFile.isEmpty()) {
        records.emplace(options.recordFile);
        QString error;
        if (!records->open(&error)) {
            writeTo(stderr, QStringLiteral("Cannot append to the record file %1\n").arg(error));
            return FlashExit::BadInvocation;
        }
    }

    QFile out;
    if (!out.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered))
        return FlashExit::BadInvocation;
    std::unique_ptr<FlashOutput> output;
    if (options.json)
        output = std::make_unique<JsonOutput>(options.ports, out);
    else
        output = std::make_unique<TextOutput>(options.ports, out, terminalWidth());

    const int ports = static_cast<int>(options.ports.size());
    EventRelay relay(*output, ports);
    std::optional<StationSession> station;
    if (options.continuous)
        station.emplace(ports);
    FlashRunner runner(jobsFor(options, *type.entry, records ? &*records : nullptr), relay,
                       station ? &*station : nullptr);
    InterruptSignals interrupts;
    QObject::connect(&interrupts, &InterruptSignals::interrupted, &app,
                     [&runner] { runner.requestQuit(); });
    QObject::connect(&relay, &EventRelay::allFinished, &app, &QCoreApplication::quit);
    runner.start();
    QCoreApplication::exec();
    runner.join();

    const QList<PortResult> results = runner.results();
    const int exitCode = FlashExitCode(results, runner.quitRequested());
    if (station)
        output->summarizeStation({station->tallies(), station->elapsedMs(), exitCode});
    else
        output->summarize(results, exitCode);
    return exitCode;
}
