#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace modemsim {

enum class Family { Script, Java, Replay };

// Faults a test (or the executable's flags) can inject. Commands are matched by their prefix up to
// and including the first '=' or, without one, by the whole command text, e.g. "AT#DSCRIPT=".
struct Faults
{
    std::vector<QByteArray> silentCommands;           // no answer at all
    std::map<QByteArray, QByteArray> errorCommands;   // answered with this text ("ERROR", "+CME ERROR: 4")
    std::map<QByteArray, int> failFirstN;             // answered "ERROR" the first N times, then normally
    std::chrono::milliseconds answerDelay{0};         // every answer delayed by this
    bool garbage = false;                             // stray bytes mixed into answers
    bool zeroBytes = false;                           // zero bytes mixed into answers
    int wrongCrcWrites = 0;                           // first N stored scripts report a wrong CRC
    std::optional<std::int64_t> vanishAfterBytes;     // master closed after this many received bytes
    int splitReplies = 0;                             // answers cut into this many pieces...
    std::chrono::milliseconds splitPause{0};          // ...with this pause between them
    bool neverAnswerProbe = false;                    // "ATE0" never answered (modem off)
    bool noWritePrompt = false;                       // AT#WSCRIPT answers no ">>>" prompt
    bool jdlTimeout = false;                          // AT^SJDL transfers end in "JDL TIMEOUT"
};

struct Options
{
    Family family = Family::Script;
    QString transferLog;                    // Replay family: the transfer log to answer
    std::chrono::milliseconds powerOnDelay{0};
    QByteArray powerOnLines;                // unsolicited text at power-up, e.g. "\r\n^SYSSTART\r\n"
    int lineEnds = 1;                       // CR LF pairs around each result code
    std::chrono::milliseconds rawByteTimeout{2000}; // Java family: "JDL TIMEOUT" after this quiet
    Faults faults;
};

struct WireRecord
{
    enum Direction { Received, Sent } direction;
    std::chrono::steady_clock::time_point when;
    QByteArray bytes;
};

// A modem on the master side of a pseudo-terminal pair, answering in its own thread.
class ModemSimulator
{
public:
    explicit ModemSimulator(Options options);
    ~ModemSimulator(); // stops the thread and closes both sides
    ModemSimulator(const ModemSimulator &) = delete;
    ModemSimulator &operator=(const ModemSimulator &) = delete;

    // The path of the slave side, the device the program opens (e.g. /dev/pts/7).
    QString devicePath() const;

    // Script family: the script store; Java family: the downloaded files (name -> bytes).
    std::map<QByteArray, QByteArray> storedFiles() const;
    void putFile(const QByteArray &name, const QByteArray &bytes);
    // Replay family: the indices (0-based) of the "<-" blocks that arrived, in order.
    std::vector<int> replayedBlocks() const;
    // Everything received and sent, time-stamped.
    std::vector<WireRecord> wire() const;
    // All commands received (text without the line end), in order.
    std::vector<QByteArray> commands() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace modemsim
