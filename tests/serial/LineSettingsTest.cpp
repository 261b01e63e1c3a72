// Settings records to terminal settings, for what a pseudo-terminal cannot show.
#include "serial/LineSettings_unix.h"

#include <gtest/gtest.h>

using namespace serial;

namespace {

struct Mapped
{
    bool accepted;
    termios terminal;
};

Mapped mapped(std::uint8_t size, std::uint8_t parity, std::uint8_t stop,
              std::uint32_t flags = fBinary)
{
    DeviceControlBlock settings;
    settings.ByteSize = size;
    settings.Parity = parity;
    settings.StopBits = stop;
    settings.Flags = flags;
    settings.XonChar = 'Q';
    Mapped result{false, {}};
    result.terminal.c_cflag = HUPCL | CS8;
    result.terminal.c_lflag = ICANON | ECHO;
    result.terminal.c_cc[VMIN] = 1;
    result.accepted = writeLineSettings(settings, result.terminal);
    return result;
}

TEST(LineSettingsTest, FrameSettingsMapAndReadBack)
{
    for (std::uint8_t size = 5; size <= 8; ++size) {
        for (std::uint8_t parity = 0; parity <= 4; ++parity) {
            for (std::uint8_t stop : {0, 2}) {
                const Mapped result = mapped(size, parity, stop);
                ASSERT_TRUE(result.accepted);
                DeviceControlBlock back;
                readLineSettings(result.terminal, back);
                EXPECT_EQ(back.ByteSize, size);
                EXPECT_EQ(back.Parity, parity);
                EXPECT_EQ(back.StopBits, size == 5 && stop == 2 ? 1 : stop);
            }
        }
    }
    EXPECT_EQ(mapped(7, 3, 0).terminal.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR),
              static_cast<tcflag_t>(CS7 | PARENB | PARODD | CMSPAR));
    const termios raw = mapped(8, 0, 0).terminal;
    EXPECT_FALSE(raw.c_lflag & (ICANON | ECHO));
    EXPECT_EQ(raw.c_cflag & (HUPCL | CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(raw.c_cc[VMIN], 0);
    EXPECT_EQ(raw.c_cc[VTIME], 0);
}

TEST(LineSettingsTest, LinesItCannotCarryAreRefused)
{
    EXPECT_FALSE(mapped(4, 0, 0).accepted);
    EXPECT_FALSE(mapped(8, 0, 1).accepted); // 1.5 stop bits exist with 5 data bits only
    EXPECT_TRUE(mapped(5, 0, 1).accepted);
    EXPECT_FALSE(mapped(8, 5, 0).accepted);
    // Rate 0 would hang the line up instead of setting a speed.
    DeviceControlBlock stopped;
    stopped.BaudRate = 0;
    termios terminal{};
    EXPECT_FALSE(writeLineSettings(stopped, terminal));
}

TEST(LineSettingsTest, FlowControlFlags)
{
    termios terminal = mapped(8, 0, 0, fBinary | HardwareFlowBits).terminal;
    EXPECT_TRUE(terminal.c_cflag & CRTSCTS);
    EXPECT_FALSE(terminal.c_iflag & (IXON | IXOFF));
    terminal = mapped(8, 0, 0, fBinary | SoftwareFlowBits).terminal;
    EXPECT_FALSE(terminal.c_cflag & CRTSCTS);
    EXPECT_EQ(terminal.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
    EXPECT_EQ(terminal.c_cc[VSTART], 'Q');
}

} // namespace
