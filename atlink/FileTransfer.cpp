#include "FileTransfer.h"

#include "Timing.h"
#include "TmyComm.h"

#include <QCoreApplication>
#include <QFile>

#include <chrono>
#include <stdexcept>
#include <thread>
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
    if (Size > 0)
        Channel.Comm->WriteData(buffer.data(), Size);
    return result;
}

CrcParams MakeCrcParams(std::uint8_t Width, std::uint32_t Poly, std::uint32_t Init,
                        std::uint32_t XorOut, bool RefIn, bool RefOut)
{
    return CrcParams{Width, Poly, Init, XorOut, RefIn, RefOut};
}

std::uint32_t ReflectBits(std::uint32_t Value, std::int32_t Bits)
{
    std::uint32_t result = 0;
    for (std::int32_t i = 0; i < Bits; ++i) {
        result = (result << 1) | (Value & 1);
        Value >>= 1;
    }
    return result;
}

void BuildCrcTable(const CrcParams &Params, CrcTable &Table)
{
    const std::uint32_t poly = ReflectBits(Params.Poly, Params.Width);
    for (std::uint32_t i = 0; i < Table.size(); ++i) {
        std::uint32_t c = i;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? (c >> 1) ^ poly : c >> 1;
        Table[i] = c;
    }
}

std::uint32_t ComputeCrc(const CrcParams &Params, const std::uint8_t *Data, std::int32_t Count,
                         const CrcTable &Table)
{
    std::uint32_t r = ReflectBits(Params.Init, Params.Width);
    for (std::int32_t i = 0; i < Count; ++i) {
        const std::uint32_t b = Params.RefIn ? Data[i] : ReflectBits(Data[i], 8);
        r = Table[(b ^ r) & 0xFF] ^ (r >> 8);
    }
    if (!Params.RefOut)
        r = ReflectBits(r, Params.Width);
    // The final XOR applies to the delivered form, as the published models define it.
    return r ^ Params.XorOut;
}

void Pause(std::uint32_t Milliseconds)
{
    std::this_thread::sleep_for(Timing::scaled(std::chrono::milliseconds(Milliseconds)));
    QCoreApplication::processEvents();
}
