#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

// How a run ended, as a record tells it.
enum class RunResult
{
    Programmed,
    Failed,
    NoAnswer,
    Interrupted
};

// "programmed", "failed", "no-answer", "interrupted".
QString RunResultName(RunResult Result);

// Why a run did not program its modem, as a line's collector decides on it whatever the language
// of the reason's words beside it.
enum class RunReason
{
    None, // programmed
    Interrupted,
    DeviceLost,
    DataRefused,
    WriteFailed,
    NoAnswer,
    PortNotOpened,
    RecordNotSaved
};

// "interrupted", "device-lost", "data-refused", "write-failed", "no-answer", "port-not-opened",
// "record-not-saved"; empty for None.
QString RunReasonCode(RunReason Reason);

// One file that a run sent to the modem.
struct RecordedFile
{
    QString name;
    std::int64_t bytes = 0;
    QString sha256;                   // of the file's content, lower-case hex
    std::optional<std::uint16_t> crc; // the CRC the modem reported for it, where it reports one
    int attempts = 0;                 // how often it was sent
    bool taken = false;               // the modem confirmed the last attempt
};

// What one run did to one modem, kept so that a line can later prove which modem got which files.
struct RunRecord
{
    // Raised whenever a field changes meaning or goes away; new fields leave it as it is.
    static constexpr int SchemaVersion = 1;

    QDateTime start; // UTC
    QDateTime end;   // UTC
    QString host;    // the computer's name
    QString version; // Quillon's
    QString type;    // the modem type's folder name
    QString family;  // "script", "java", "replay"; empty for a type without a procedure
    QString port;    // as the user gave it
    QString device;  // the device it resolved to
    QString imei;    // empty when the modem did not say
    QList<RecordedFile> files;
    std::uint32_t lineRate = 0; // bit/s of the port while the files went out; 0 if none did
    RunResult result = RunResult::Failed;
    QString reason;                         // empty when programmed
    RunReason reasonCode = RunReason::None; // the reason's stable code
    QString log; // the file that keeps the run's log; empty when none is kept

    // Every file sent, retries included.
    int attempts() const;
    // One JSON object on one line, the line end included.
    QByteArray toJsonLine() const;
};

// Quillon's version, as the build, the package and the installer carry it ("1.0").
QString QuillonVersion();

// A record of a run that starts now on this computer with this version of Quillon.
RunRecord StartRunRecord();

// A file as it was sent: its name, the bytes sent, and the hash of the content at Path, read now
// (no hash when it cannot be read).
RecordedFile DescribeSentFile(const QString &Path, const QString &Name, std::int64_t Bytes);
