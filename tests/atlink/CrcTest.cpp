#include "atlink/Crc.h"
#include "atlink/FileTransfer.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::uint32_t crcOf(const CrcParams &params, const char *text, std::int32_t count)
{
    CrcTable table;
    BuildCrcTable(params, table);
    return ComputeCrc(params, reinterpret_cast<const std::uint8_t *>(text), count, table);
}

const CrcParams Mcrf4xx = MakeCrcParams(16, 0x1021, 0xFFFF, 0, true, true);

} // namespace

TEST(Crc, TransferModelVectors)
{
    EXPECT_EQ(crcOf(Mcrf4xx, "123456789", 9), 0x6F91u);
    EXPECT_EQ(crcOf(Mcrf4xx, "", 0), 0xFFFFu);
    EXPECT_EQ(crcOf(Mcrf4xx, "\0", 1), 0x0F87u);

    CrcTable table;
    BuildCrcTable(Mcrf4xx, table);
    EXPECT_EQ(table[1], 0x1189u);
    EXPECT_EQ(table[128], 0x8408u);
    EXPECT_EQ(table[255], 0x0F78u);
}

// Published models with other widths, polynomials, reflections and final XORs.
TEST(Crc, OtherPublishedModels)
{
    const struct
    {
        const char *name;
        CrcParams params;
        std::uint32_t check;
    } models[] = {
        {"CRC-16/ARC", MakeCrcParams(16, 0x8005, 0, 0, true, true), 0xBB3D},
        {"CRC-16/XMODEM", MakeCrcParams(16, 0x1021, 0, 0, false, false), 0x31C3},
        {"CRC-16/GENIBUS", MakeCrcParams(16, 0x1021, 0xFFFF, 0xFFFF, false, false), 0xD64E},
        {"CRC-16/DECT-R", MakeCrcParams(16, 0x0589, 0, 0x0001, false, false), 0x007E},
        {"CRC-32/ISO-HDLC", MakeCrcParams(32, 0x04C11DB7, 0xFFFFFFFF, 0xFFFFFFFF, true, true),
         0xCBF43926},
        {"CRC-32/BZIP2", MakeCrcParams(32, 0x04C11DB7, 0xFFFFFFFF, 0xFFFFFFFF, false, false),
         0xFC891918},
        {"CRC-8/SMBUS", MakeCrcParams(8, 0x07, 0, 0, false, false), 0xF4},
    };
    for (const auto &model : models)
        EXPECT_EQ(crcOf(model.params, "123456789", 9), model.check) << model.name;
}

TEST(Crc, ReflectBits)
{
    EXPECT_EQ(ReflectBits(0x1021, 16), 0x8408u);
    EXPECT_EQ(ReflectBits(0x01, 8), 0x80u);
    EXPECT_EQ(ReflectBits(0x04C11DB7, 32), 0xEDB88320u);
    EXPECT_EQ(ReflectBits(0xFFFF, 0), 0u);
    EXPECT_EQ(ReflectBits(0xFFFF, -3), 0u);
}
