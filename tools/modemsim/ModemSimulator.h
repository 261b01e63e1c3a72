#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace modemsim {

enum class Family
{
    Script,
    Java,
    Replay,
    Every // the commands of all three, as one modem kept on the bench for every type
};

// Faults a test (or the executable's flags) can inject. Commands are matched by their prefix up to
// and including the first '=' or, without one, by the whole command text, e.g. "AT#DSCRIPT=";
// letter case does not matter, as for the modem's own command names.
struct Faults
{
    std::vector<QByteArray> silentCommands; // no answer at all, not even the echo
    std::map<QByteArray, QByteArray>
        errorCommands;                        // answered with this text ("ERROR", "+CME ERROR: 4")
    std::map<QByteArray, int> failFirstN;     // answered "ERROR" the first N times, then normally
    std::chrono::milliseconds answerDelay{0}; // every answer delayed by this
    bool garbage = false;                     // stray bytes put before every answer
    bool zeroBytes = false;                   // a zero byte put before and after every answer
    int wrongCrcWrites = 0;                   // first N stored scripts report a wrong CRC
    std::optional<std::int64_t> vanishAfterBytes; // master closed after this many received bytes
    // After vanishing, a new device appears this long later (an adapter plugged back in); it has
    // a new path, which `Options::linkPath` follows.
    std::optional<std::chrono::milliseconds> comeBackAfter;
    std::optional<std::int64_t> stallAfterBytes; // no input taken after this many bytes, as on
                                                 // a line that flow control holds
    int splitReplies = 0;                        // answers cut into this many pieces...
    std::chrono::milliseconds splitPause{0};     // ...with this pause between them
    bool neverAnswerProbe = false;               // "ATE0" never answered (modem off)
    bool noWritePrompt = false;                  // AT#WSCRIPT answers no ">>>" prompt
    bool jdlTimeout = false;                     // AT^SJDL transfers end in "JDL TIMEOUT"
};

struct WireRecord
{
    enum Direction
    {
        Received,
        Sent
    } direction;
    std::chrono::steady_clock::time_point when;
    QByteArray bytes;
};

struct Options
{
    Family family = Family::Script;
    QString transferLog;        // Replay (or Every) family: the transfer log to answer...
    QByteArray transferLogText; // ...or its text, used when no file is named
    std::chrono::milliseconds powerOnDelay{0}; // input before this is lost, as on a booting modem
    QByteArray powerOnLines; // unsolicited text at power-up, e.g. "\r\n^SYSSTART\r\n"
    int lineEnds = 1;        // CR LF pairs around each result code
    std::chrono::milliseconds rawByteTimeout{
        2000}; // a raw transfer that goes quiet this long fails
    // Bits per second of the line the modem's input comes over: input is taken no faster than
    // such a line carries it, one character per frame of the program's character format. 0: as
    // fast as the pseudo-terminal carries it. While it is on, "AT+IPR=<rate>" sets it to <rate>,
    // and input that the program sends at a rate more than 3 % off it (the speed set on the
    // pseudo-terminal) arrives garbled, as on a real line.
    std::uint32_t lineRate = 0;
    int lineSpeedUp = 1; // the line carries this many times its rate (tests that speed time up)
    // The modem's serial number, its answer to "AT+CGSN"; empty: the modem answers "ERROR".
    QByteArray imei = QByteArrayLiteral("356938035643809");
    // The fastest rate the modem takes: "AT+IPR=<rate>" above it is answered "ERROR", as by a
    // modem that cannot go faster. 0: any rate.
    std::uint32_t maxRate = 0;
    Faults faults;
    // When set: a link at this path points at the current device, is removed while the device is
    // gone and when the simulator ends, and follows a device that comes back.
    QString linkPath;
    // Called on the simulator's thread for every record, as it is made (the executable logs them).
    std::function<void(const WireRecord &)> wireObserver;
    // Whether wire(), commands() and replayedBlocks() keep everything from the start. A simulator
    // that runs for days (the executable, a soak of thousands of runs) passes each record to the
    // observer instead, so that its memory stays the same from run to run.
    bool keepRecords = true;
};

// A modem on the master side of a pseudo-terminal pair, answering in its own thread.
//
// Every family: echo on until "ATE0" ("ATE1" turns it back on), "AT" and "AT+IPR=<rate>" answered
// "OK" (above `maxRate` "ERROR"), "AT+CGSN" with the IMEI and "OK", other unknown commands
// "ERROR", an empty line ignored. Commands end at CR; a LF right after it is ignored. Commands may
// arrive split across several writes.
// Script family: AT#DSCRIPT, AT#WSCRIPT (">>>", then exactly `size` raw bytes, then "OK"),
// AT#LCSCRIPT (`#LCSCRIPT: "name",size,CRC` with the CRC-16/MCRF4XX of the stored bytes),
// AT#ESCRIPT, AT#ENHRST, AT#STARTMODESCR.
// Java family: AT^SJAM, AT^SJDL=1,size,"name" ("CONNECT", `size` raw bytes, "JDL END OK").
// Replay family: AT^SCFG; every block the transfer log will send is answered with the log's
// answer; input that is neither such a block nor a known command is answered "ERROR". The log's
// first block, arriving out of turn, starts the replay over (a new run of the program).
// A raw transfer that goes quiet for `rawByteTimeout` ends in "ERROR" ("JDL TIMEOUT" for Java).
// With a line rate, the answer to a raw transfer goes out as soon as its last byte has been taken.
class ModemSimulator
{
public:
    // Throws std::runtime_error when the pseudo-terminal or the transfer log cannot be had.
    explicit ModemSimulator(Options options);
    ~ModemSimulator(); // stops the thread and closes both sides
    ModemSimulator(const ModemSimulator &) = delete;
    ModemSimulator &operator=(const ModemSimulator &) = delete;

    // The path of the slave side, the device the program opens (e.g. /dev/pts/7); empty while the
    // device is gone.
    QString devicePath() const;

    // How many bytes the modem has taken from its line since it started; from any thread.
    std::int64_t bytesTaken() const;

    // Script family: the script store; Java family: the downloaded files (name -> bytes).
    std::map<QByteArray, QByteArray> storedFiles() const;
    void putFile(const QByteArray &name, const QByteArray &bytes);
    // Replay family: for every block that arrived, in order, its 0-based index among all "<-"
    // lines of the transfer log (a "<-" line superseded by the next one never arrives); none
    // without `keepRecords`.
    std::vector<int> replayedBlocks() const;
    // Everything received and sent, time-stamped (nothing without `keepRecords`).
    std::vector<WireRecord> wire() const;
    // All commands received (text without the line end), in order (none without `keepRecords`).
    std::vector<QByteArray> commands() const;
    // True once the "vanish" fault has closed the device (also after it came back).
    bool vanished() const;
    // True once a vanished device has come back.
    bool cameBack() const;

    // The modem is taken off the port; returns what it had stored. Unplugged, its device goes
    // away (a USB modem); otherwise the device stays and nothing answers any more (a modem on a
    // serial adapter switched off). No effect while no modem is on.
    std::map<QByteArray, QByteArray> takeModemOff(bool Unplugged);
    // Another modem is put on the port: its own IMEI (empty: it answers "AT+CGSN" with "ERROR")
    // and command faults, an empty store, starting afresh as after power-up. An unplugged device
    // comes back as a new pseudo-terminal, which `Options::linkPath` follows.
    void putModemOn(const QByteArray &Imei, const Faults &ModemFaults = {});

    // The received and the sent bytes of wire(), each joined in order.
    QByteArray received() const;
    QByteArray sent() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace modemsim
