#include "RunRecording.h"

#include "procedures/Procedures.h"
#include "serial/SerialPorts.h"

#include <algorithm>

RunRecord StartRecordOf(const QString &DirName, const QString &Port)
{
    RunRecord record = StartRunRecord();
    record.type = DirName;
    record.family = ProcedureFamilyName(DirName);
    record.port = Port;
    record.device = PortDevice(Port);
    return record;
}

void AddSentFile(QList<RecordedFile> &Files, const SentFile &File)
{
    RecordedFile described = DescribeSentFile(File.path, File.name, File.bytes);
    described.taken = File.taken;
    described.crc = File.reportedCrc;
    const auto earlier = std::find_if(Files.begin(), Files.end(), [&](const RecordedFile &Sent) {
        return Sent.name == File.name;
    });
    described.attempts = earlier == Files.end() ? 1 : earlier->attempts + 1;
    if (earlier == Files.end())
        Files.append(described);
    else
        *earlier = described;
}
