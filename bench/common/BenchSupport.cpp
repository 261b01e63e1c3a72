#include "BenchSupport.h"

#include <QDir>
#include <QFile>
#include <QList>

#include <cstdio>
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

QString demoData()
{
    return QStringLiteral(QUILLON_DEMO_DATA "/");
}

QByteArray imeiNumber(int Number)
{
    return QByteArray::number(350000000000000LL + Number);
}

modemsim::Options untracedModem(modemsim::Family Family, std::uint32_t LineRate)
{
    modemsim::Options options;
    options.family = Family;
    options.lineRate = LineRate;
    options.keepRecords = false;
    return options;
}

void writeFile(const QString &Path, const QByteArray &Bytes)
{
    QFile file(Path);
    if (!file.open(QIODevice::WriteOnly) || file.write(Bytes) != Bytes.size())
        std::fprintf(stderr, "cannot write %s\n", qPrintable(Path));
}

long residentKilobytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLong() * sysconf(_SC_PAGESIZE) / 1024 : -1;
}

long heapInUseKilobytes()
{
    // Over every arena, the threads' as well as the main one.
    const struct mallinfo2 heap = mallinfo2();
    return static_cast<long>((heap.uordblks + heap.hblkhd) / 1024);
}

qsizetype openDescriptors()
{
    return QDir(QStringLiteral("/proc/self/fd"))
        .entryList(QDir::NoDotAndDotDot | QDir::System)
        .size();
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
