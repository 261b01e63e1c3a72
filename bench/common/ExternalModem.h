#pragma once

#include <QProcess>
#include <QString>

// The simulator as a process of its own, so that what it keeps (the files it stores, its record
// of the wire) does not count as the program's memory. Its log of the wire goes to a file.
class ExternalModem
{
public:
    // Throws std::runtime_error when the simulator does not start.
    ExternalModem(const QString &FamilyName, const QString &Scratch);
    ~ExternalModem();
    ExternalModem(const ExternalModem &) = delete;
    ExternalModem &operator=(const ExternalModem &) = delete;

    const QString &device() const { return path; }
    // Empty while the simulator runs, else how it ended.
    QString ended();
    // The size of the log so far: what the modem saw after this point is logSince(it).
    qint64 logSize() const;
    // One line per record of the wire: seconds, direction, size, the bytes as text and as hex.
    QByteArray logSince(qint64 From) const;

private:
    QProcess process;
    QString logPath;
    QString path;
};
