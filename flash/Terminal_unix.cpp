#include "Terminal.h"

#include <QFile>

#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr int DefaultTerminalWidth = 80;

// The terminal's own size; a shell's COLUMNS only where the terminal does not say (shells do not
// export it, so it is rarely there).
int terminalColumns()
{
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    bool ok = false;
    const int columns = qEnvironmentVariableIntValue("COLUMNS", &ok);
    return ok && columns > 0 ? columns : DefaultTerminalWidth;
}

} // namespace

// A terminal here takes UTF-8 and escape sequences as they are.
struct Terminal::Platform
{
    QFile out;
    QFile err;
};

Terminal::Terminal() : platform(std::make_unique<Platform>())
{
    platform->out.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
    platform->err.open(STDERR_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
    live = isatty(STDOUT_FILENO) != 0;
    colours =
        live && qEnvironmentVariable("TERM") != u"dumb" && qEnvironmentVariableIsEmpty("NO_COLOR");
}

int Terminal::liveLineWidth() const
{
    return live ? terminalColumns() : 0;
}

Terminal::~Terminal() = default;

QIODevice &Terminal::output()
{
    return platform->out;
}

QIODevice &Terminal::errors()
{
    return platform->err;
}

// A terminal is left as it was found.
void Terminal::handBack() {}
