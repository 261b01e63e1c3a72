#include "Terminal.h"

#include <QFile>

#include <unistd.h>

namespace {
constexpr int DefaultTerminalWidth = 80;
}

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
    if (!isatty(STDOUT_FILENO))
        return;
    bool ok = false;
    const int columns = qEnvironmentVariableIntValue("COLUMNS", &ok);
    width = ok && columns > 0 ? columns : DefaultTerminalWidth;
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
