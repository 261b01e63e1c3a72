#pragma once

#include <memory>

class QIODevice;

// The runner's standard output and what it can show. Live lines need a terminal that understands
// escape sequences; a file, a pipe, or a console that cannot gets plain lines only. On Windows a
// console is switched to UTF-8 and to escape sequences for the runner's lifetime and handed back
// as it was afterwards, so that cmd.exe goes on as before.
class Terminal
{
public:
    Terminal();
    ~Terminal();
    Terminal(const Terminal &) = delete;
    Terminal &operator=(const Terminal &) = delete;

    // Columns the live lines may use, the terminal's own width as it is now (the console
    // buffer's on Windows); 0 where none can be drawn.
    int liveLineWidth() const;
    // The terminal shows colours, and the user has not turned them off (NO_COLOR).
    bool takesColours() const { return colours; }
    // Standard output and standard error; the runner writes UTF-8 to them, and a console shows it
    // as text.
    QIODevice &output();
    QIODevice &errors();

    // Hands a console back as it was before the runner, for an exit that skips destructors (the
    // second Ctrl-C). Safe from any thread and more than once.
    static void handBack();

private:
    struct Platform;

    bool live = false;
    bool colours = false;
    std::unique_ptr<Platform> platform;
};
