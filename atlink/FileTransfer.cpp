#include "FileTransfer.h"

#include "atlink/Crc.h"
#include "atlink/TmyComm.h"

#include <QCoreApplication>
#include <QFile>

#include <vector>

namespace {

// The buffer holds the file's content and one zero byte behind it.
constexpr std::size_t TransferBufferSize = 102400;

// Reads up to Size bytes of the file into the zeroed buffer; a shorter file leaves zeros behind.
Result<std::vector<std::uint8_t>> readTransferBuffer(const QString &FileName, std::int32_t Size)
{
    if (Size < 0 || Size > MaxTransferSize)
        return Failure{Failure::Kind::BadFile,
                       QCoreApplication::translate("DataFiles", "Файл %1 больше %2 байт.")
                           .arg(FileName, QString::number(MaxTransferSize))};
    std::vector<std::uint8_t> buffer(TransferBufferSize, 0);
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly) ||
        file.read(reinterpret_cast<char *>(buffer.data()), Size) < 0)
        return Failure{Failure::Kind::BadFile,
                       QCoreApplication::translate("DataFiles", "Файл %1 не удается прочитать.")
                           .arg(FileName)};
    return buffer;
}

} // namespace

Result<std::uint32_t> SendFile(TmyComm &Channel, const QString &FileName, std::int32_t Size,
                               bool WithCrc)
{
    const auto read = readTransferBuffer(FileName, Size);
    if (!read)
        return read.failure();
    const std::vector<std::uint8_t> &buffer = *read;
    std::uint32_t result = 0;
    if (WithCrc) {
        const CrcParams params = MakeCrcParams(16, 0x1021, 0xFFFF, 0, true, true);
        CrcTable table;
        BuildCrcTable(params, table);
        result = ComputeCrc(params, buffer.data(), Size, table);
    }
    Channel.ClearReply();
    if (Size > 0 && Channel.SendingAllowed())
        Channel.Comm->WriteData(buffer.data(), Size);
    return result;
}
