#include "app/DemoSimulators.h"
#include "app/QuillonApplication.h"
#include "app/TfCOMProperty.h"
#include "app/TfMain.h"
#include "app/WindowCommandLine.h"

#include <cstdio>
#include <optional>

namespace {

void print(std::FILE *Stream, const QString &Text)
{
    std::fputs(Text.toLocal8Bit().constData(), Stream);
}

} // namespace

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int index = 0; index < argc; ++index)
        arguments.append(QString::fromLocal8Bit(argv[index]));
    // Answered before Qt starts, which needs a display.
    const WindowRequest request = ReadWindowCommandLine(arguments);
    if (request == WindowRequest::Help || request == WindowRequest::Version) {
        print(stdout, request == WindowRequest::Help ? WindowHelpText() : WindowVersionText());
        return 0;
    }

    QuillonApplication application(argc, argv);
    TfMain::Setup setup;
    std::optional<DemoSimulators> demo;
    if (request == WindowRequest::Demo) {
        const QString ports = DemoSimulators::PortsFolder();
        demo.emplace(QCoreApplication::applicationDirPath() + QStringLiteral("/quillon-modemsim"),
                     DemoSimulators::DemoFolder(), ports);
        if (const auto problem = demo->start()) {
            print(stderr, problem->text + u'\n');
            return 1;
        }
        // The port dialog lists the simulators' ports.
        qputenv("QUILLON_PORTS_DIR", ports.toLocal8Bit());
        setup.typesFolder = DemoSimulators::DemoFolder();
        setup.typesSource = TypesSource::Demo;
    }
    // The two windows live as long as the program; closing the main window ends it.
    TfCOMProperty fCOMProperty;
    TfMain fMain(fCOMProperty, setup);
    fMain.show();
    return QuillonApplication::exec();
}
