#pragma once

#include <cstddef>
#include <cstdint>

// The numbers that travel between the component, its threads and the device layer. They keep the
// values the stored profiles and the event masks were defined with.
namespace serial {

// Events a device reports (the low half of a status notification).
constexpr std::uint32_t EV_RXFLAG = 0x0002;   // the event character arrived
constexpr std::uint32_t EV_TXEMPTY = 0x0004;  // the output queue ran empty
constexpr std::uint32_t EV_CTS = 0x0008;      // CTS changed
constexpr std::uint32_t EV_DSR = 0x0010;      // DSR changed
constexpr std::uint32_t EV_RLSD = 0x0020;     // carrier detect changed
constexpr std::uint32_t EV_BREAK = 0x0040;    // a break was received
constexpr std::uint32_t EV_ERR = 0x0080;      // a line error (framing, overrun, parity)
constexpr std::uint32_t EV_RING = 0x0100;     // the ring indicator changed
constexpr std::uint32_t EV_PERR = 0x0200;     // printer error
constexpr std::uint32_t EV_RX80FULL = 0x0400; // the input queue is 80 % full
constexpr std::uint32_t WatchedEvents = 0x07FE;

// Modem status lines (the high half of a status notification).
constexpr std::uint32_t MS_CTS_ON = 0x10;
constexpr std::uint32_t MS_DSR_ON = 0x20;
constexpr std::uint32_t MS_RING_ON = 0x40;
constexpr std::uint32_t MS_RLSD_ON = 0x80;

// The event that reports a change of each status line.
constexpr std::uint32_t eventsForLines(std::uint32_t status)
{
    return ((status & MS_CTS_ON) ? EV_CTS : 0) | ((status & MS_DSR_ON) ? EV_DSR : 0) |
           ((status & MS_RING_ON) ? EV_RING : 0) | ((status & MS_RLSD_ON) ? EV_RLSD : 0);
}

// Line error bits handed to OnError.
constexpr std::uint32_t CE_RXOVER = 0x0001;
constexpr std::uint32_t CE_OVERRUN = 0x0002;
constexpr std::uint32_t CE_RXPARITY = 0x0004;
constexpr std::uint32_t CE_FRAME = 0x0008;
constexpr std::uint32_t CE_BREAK = 0x0010;

// Purge requests.
constexpr std::uint32_t PURGE_TXABORT = 0x0001;
constexpr std::uint32_t PURGE_RXABORT = 0x0002;
constexpr std::uint32_t PURGE_TXCLEAR = 0x0004;
constexpr std::uint32_t PURGE_RXCLEAR = 0x0008;
constexpr std::uint32_t PurgeInput = PURGE_RXABORT | PURGE_RXCLEAR;
constexpr std::uint32_t PurgeOutput = PURGE_TXABORT | PURGE_TXCLEAR;

// Extended functions for EscapeFunction.
constexpr std::uint32_t SETXOFF = 1;
constexpr std::uint32_t SETXON = 2;
constexpr std::uint32_t SETRTS = 3;
constexpr std::uint32_t CLRRTS = 4;
constexpr std::uint32_t SETDTR = 5;
constexpr std::uint32_t CLRDTR = 6;
constexpr std::uint32_t SETBREAK = 8;
constexpr std::uint32_t CLRBREAK = 9;

// The largest block one read delivers.
constexpr std::size_t ReadBlockSize = 32768;

} // namespace serial
