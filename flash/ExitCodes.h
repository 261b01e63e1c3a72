#pragma once

// The exit status of quillon-flash, which production-line scripts branch on.
namespace FlashExit {
inline constexpr int AllProgrammed = 0;
inline constexpr int SomeFailed = 1;
inline constexpr int BadInvocation = 2; // command line, unknown type, unreadable catalogue or data
inline constexpr int NoModemAnswered = 3;
// No port could be opened at all (held by another program, missing, no permission): the port,
// not the modem, is what to look at.
inline constexpr int PortNotOpened = 4;
inline constexpr int Interrupted = 130; // 128 + SIGINT, as shells report it
} // namespace FlashExit
