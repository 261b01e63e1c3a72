#pragma once

#include <QString>

#include <chrono>

class FlashHost;

// The window's port and probe tick without the window: every 250 ms either try to open the port,
// or look for "OK", or send the next probe; the modem must answer before the wait runs out.
class PowerOnWait
{
public:
    enum class Result
    {
        Answered,
        NoAnswer,
        Interrupted
    };

    PowerOnWait(FlashHost &Host, std::chrono::milliseconds Wait);

    Result run();
    bool portEverOpened() const { return opened; }
    QString lastOpenError() const { return openError; }

private:
    void tryOpen();

    FlashHost &host;
    const std::chrono::milliseconds wait;
    bool opened = false;
    QString openError;
};
