#include "FileTransfer.h"

#include "atlink/Crc.h"
#include "atlink/TmyComm.h"

#include <QFile>

#include <stdexcept>
#include <vector>

namespace {

// The buffer holds the file's content and one zero byte behind it.
constexpr std::size_t TransferBufferSize = 102400;

// Reads up to Size bytes of the file into the zeroed buffer; a shorter file leaves zeros behind.
std::vector<std::uint8_t> readTransferBuffer(const QString &FileName, std::int32_t Size)
{
    if (Size < 0 || Size > MaxTransferSize)
        throw std::runtime_error("cannot send " + std::to_string(Size) + " bytes: at most " +
                                 std::to_string(MaxTransferSize) + " fit the transfer buffer");
    std::vector<std::uint8_t> buffer(TransferBufferSize, 0);
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot open file \"" + FileName.toStdString() +
                                 "\": " + file.errorString().toStdString());
    if (file.read(reinterpret_cast<char *>(buffer.data()), Size) < 0)
        throw std::runtime_error("cannot read file \"" + FileName.toStdString() +
                                 "\": " + file.errorString().toStdString());
    return buffer;
}

} // namespace

std::uint32_t SendFile(TmyComm &Channel, const QString &FileName, std::int32_t Size, bool WithCrc)
{
    const std::vector<std::uint8_t> buffer = readTransferBuffer(FileName, Size);
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
