#pragma once

#include "engine/PortBoard.h"
#include "flash/FlashOutput.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QStringList>

class QIODevice;

// One JSON object per line for every event, for scripts that read the run as it goes:
//   {"event":"log","port":...,"text":...,"elapsed_ms":...}
//   {"event":"progress","port":...,"phase":...,"done":...,"total":...,"transfer_file":...,
//    "transfer_bytes":...,"transfer_sent":...,"transfer_bytes_per_second":...,...}
//   (the file's size, its bytes that have left the port and their pace; 0 between files)
//   {"event":"result","port":...,"device":...,"result":...,"reason":...,"port_closed":...,...}
//   (the port as given and the device it ends at, every link followed)
//   {"event":"summary","exit_code":...,"programmed":...,"failed":...,"no_answer":...,...}
//   {"event":"error","reason":...,"exit_code":2}: the command line or the data refused, no
//   port touched (JsonRefusal)
// and for a station, one event per change of a port's state, each modem's outcome with the
// state that follows its run:
//   {"event":"station","port":...,"device":...,"state":"waiting"|"programming"|"take-off"|
//    "already-programmed"|"stopped","stage":...,"programmed":...,"failed":...,"imei":...,
//    "result":...,"reason":...,"stop_reason":...}
//   ("stage": the port's word as every front end shows it, PortStageName: "good" or "failed"
//   for a modem to take off; "device": the device the port's name leads to for the modem it
//   reports; stop_reason once the port has stopped by itself, for a record it could not keep)
//   {"event":"summary","exit_code":130,"programmed":...,"failed":...,"seconds":...,
//    "modems_per_hour":...,"ports":[{"port":...,"device":...,"programmed":...,"failed":...,
//    "last_failure":...,"stop_reason":...},...]}
class JsonOutput : public FlashOutput
{
public:
    JsonOutput(const PortBoard &Board, QIODevice &Out);

    void logLine(int Port, const QString &Text) override;
    void progress(int Port, const PortProgress &Progress) override;
    void finished(int Port, const PortResult &Result) override;
    void station(int Port, const StationStatus &Status) override;
    void summarize(int ExitCode) override;
    void summarizeStation(qint64 ElapsedMs, int ExitCode) override;

private:
    void emitEvent(const QString &Kind, int Port, QJsonObject Fields);

    const PortBoard &board;
    const QStringList ports;
    const QStringList devices;
    QIODevice &out;
    QElapsedTimer clock;
};

// The one line a refusal with status 2 writes, so that a collector never reads an empty stream.
QByteArray JsonRefusal(const QString &Reason);
