#include "PortDiagnosis.h"

#include "procedures/ProcedureSteps.h"
#include "serial/TComm32.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

bool IsProcessFolder(const QString &Name)
{
    bool number = false;
    Name.toUInt(&number);
    return number;
}

QString PortStepHint(const QString &Problem)
{
    QStringList hints;
    if (!Problem.isEmpty())
        hints.append(Problem);
    if (ModemManagerRunning())
        hints.append(ModemManagerWarning());
    return hints.join(QStringLiteral("\n\n"));
}

bool ModemManagerRunning(const QString &ProcFolder)
{
    const QDir proc(ProcFolder);
    const QStringList entries = proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        if (!IsProcessFolder(entry))
            continue;
        QFile comm(proc.filePath(entry + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "ModemManager")
            return true;
    }
    return false;
}

QString ModemManagerWarning()
{
    return QCoreApplication::translate(
        "PortDiagnosis", "Запущена служба ModemManager: она опрашивает новые порты АТ-командами и "
                         "может помешать записи. Остановите её на время работы: "
                         "sudo systemctl stop ModemManager");
}

std::optional<Failure> PortSettingsRefusal(const TComm32 &Port)
{
    if (Port.ByteSize() < sz_5)
        return procedures::Refusal(
            QCoreApplication::translate("PortDiagnosis",
                                        "Биты данных: %1. СОМ-порт передает от 5 до 8 бит данных.")
                .arg(Port.ByteSize() + 4));
    if (Port.StopBits() == sb1_5 && Port.ByteSize() != sz_5)
        return procedures::Refusal(QCoreApplication::translate(
            "PortDiagnosis", "Стоповые биты: 1,5. Они возможны только при 5 битах данных."));
    return std::nullopt;
}
