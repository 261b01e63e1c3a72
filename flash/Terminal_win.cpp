#include "Terminal.h"

#include <QIODevice>
#include <QStringDecoder>

#include <atomic>
#include <windows.h>

namespace {

// Writes straight to the standard output handle. A console gets UTF-16 through WriteConsoleW,
// which shows every letter whatever its code page and whichever C runtime is loaded (the
// runtime's own write converts bytes by its locale); a file or a pipe gets the UTF-8 bytes.
class StandardOutput : public QIODevice
{
public:
    StandardOutput(HANDLE Handle, bool IsConsole) : handle(Handle), console(IsConsole)
    {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }

protected:
    qint64 readData(char *, qint64) override { return -1; }

    qint64 writeData(const char *Data, qint64 Size) override
    {
        const bool written =
            console ? writeToConsole(QByteArrayView(Data, Size))
                    : writeAll(Data, Size, [this](auto Rest, DWORD Count, DWORD *Done) {
                          return WriteFile(handle, Rest, Count, Done, nullptr);
                      });
        return written ? Size : -1;
    }

private:
    bool writeToConsole(QByteArrayView Bytes)
    {
        // A letter cut in two by the caller is finished by its next write.
        const QString text = utf8.decode(Bytes);
        return writeAll(text.constData(), text.size(), [this](auto Rest, DWORD Count, DWORD *Done) {
            return WriteConsoleW(handle, Rest, Count, Done, nullptr);
        });
    }

    template<typename Unit, typename Write>
    static bool writeAll(const Unit *Data, qint64 Count, Write write)
    {
        while (Count > 0) {
            DWORD written = 0;
            if (!write(Data, static_cast<DWORD>(Count), &written) || written == 0)
                return false;
            Data += written;
            Count -= written;
        }
        return true;
    }

    HANDLE handle;
    bool console;
    QStringDecoder utf8{QStringDecoder::Utf8};
};

// The console as it was before the runner changed it, for handBack, which may run on the thread
// the system starts for a console event while the runner's own threads still write.
struct SavedConsole
{
    HANDLE handle = nullptr;
    DWORD mode = 0;
    UINT codePage = 0;
    std::atomic<bool> changed{false};
};
SavedConsole saved;

bool isConsole(HANDLE Handle)
{
    DWORD mode = 0;
    return GetConsoleMode(Handle, &mode) != 0;
}

} // namespace

struct Terminal::Platform
{
    Platform(HANDLE Output, HANDLE Errors)
        : out(Output, isConsole(Output)), err(Errors, isConsole(Errors))
    {
    }

    StandardOutput out;
    StandardOutput err;
};

Terminal::Terminal()
    : platform(std::make_unique<Platform>(GetStdHandle(STD_OUTPUT_HANDLE),
                                          GetStdHandle(STD_ERROR_HANDLE)))
{
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (!GetConsoleMode(output, &mode))
        return;
    saved.handle = output;
    saved.mode = mode;
    saved.codePage = GetConsoleOutputCP();
    saved.changed = true;
    // For what still goes through the C runtime (Qt's own warnings).
    SetConsoleOutputCP(CP_UTF8);
    // Consoles before Windows 10 refuse escape sequences; they get the log without live lines.
    const DWORD escapes = ENABLE_PROCESSED_OUTPUT | ENABLE_VIRTUAL_TERMINAL_PROCESSING;
    if (!SetConsoleMode(output, mode | escapes))
        return;
    live = true;
    colours = qEnvironmentVariableIsEmpty("NO_COLOR");
}

int Terminal::liveLineWidth() const
{
    // A line wraps at the buffer's width, whatever part of it the window shows.
    CONSOLE_SCREEN_BUFFER_INFO screen;
    if (!live || !GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &screen))
        return 0;
    return screen.dwSize.X;
}

Terminal::~Terminal()
{
    handBack();
}

void Terminal::handBack()
{
    if (!saved.changed.exchange(false))
        return;
    SetConsoleMode(saved.handle, saved.mode);
    SetConsoleOutputCP(saved.codePage);
}

QIODevice &Terminal::output()
{
    return platform->out;
}

QIODevice &Terminal::errors()
{
    return platform->err;
}
