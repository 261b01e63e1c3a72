#include "Terminal.h"

#include <QIODevice>
#include <QStringDecoder>

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

} // namespace

struct Terminal::Platform
{
    explicit Platform(HANDLE Handle)
        : handle(Handle), console(GetConsoleMode(Handle, &mode)), codePage(GetConsoleOutputCP()),
          out(Handle, console)
    {
    }

    HANDLE handle;
    DWORD mode = 0; // as the console was before the runner
    bool console;
    UINT codePage;
    StandardOutput out;
};

Terminal::Terminal() : platform(std::make_unique<Platform>(GetStdHandle(STD_OUTPUT_HANDLE)))
{
    if (!platform->console)
        return;
    // For what goes through the C runtime (the help, errors on the standard error).
    SetConsoleOutputCP(CP_UTF8);
    // Consoles before Windows 10 refuse escape sequences; they get the log without live lines.
    const DWORD escapes = ENABLE_PROCESSED_OUTPUT | ENABLE_VIRTUAL_TERMINAL_PROCESSING;
    if (!SetConsoleMode(platform->handle, platform->mode | escapes))
        return;
    CONSOLE_SCREEN_BUFFER_INFO screen;
    if (GetConsoleScreenBufferInfo(platform->handle, &screen))
        width = screen.srWindow.Right - screen.srWindow.Left + 1;
}

Terminal::~Terminal()
{
    if (!platform->console)
        return;
    SetConsoleMode(platform->handle, platform->mode);
    SetConsoleOutputCP(platform->codePage);
}

QIODevice &Terminal::output()
{
    return platform->out;
}
