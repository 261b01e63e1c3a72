#include "PortDiagnosis.h"

#include <QDir>
#include <QFile>

bool ModemManagerRunning(const QString &ProcFolder)
{
    const QDir proc(ProcFolder);
    const QStringList entries = proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool isProcess = false;
        entry.toUInt(&isProcess);
        if (!isProcess)
            continue;
        QFile comm(proc.filePath(entry + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "ModemManager")
            return true;
    }
    return false;
}

QString ModemManagerWarning()
{
    return QStringLiteral("Запущена служба ModemManager: она опрашивает новые порты АТ-командами и "
                          "может помешать записи. Остановите её на время работы: "
                          "sudo systemctl stop ModemManager");
}
