#include "atlink/HexText.h"
#include "atlink/FileSize.h"
#include "atlink/WireText.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <array>

TEST(HexText, ReadsPairsIgnoringSpacesAndAnUnpairedDigit)
{
    const struct
    {
        const char *hex;
        QByteArray bytes;
    } cases[] = {
        {"41 54 0D", QByteArray("AT\r")},
        {"4 1 5 4", QByteArray("AT")},
        {"414", QByteArray("A")},
        {"4f", QByteArray("\x4F")},
        {"00 ff", QByteArray("\x00\xFF", 2)},
        {"", QByteArray()},
    };
    for (const auto &c : cases) {
        std::array<std::uint8_t, 8> buffer{};
        const std::int32_t n = HexToBytes(buffer.data(), buffer.size(), c.hex).value_or(-1);
        EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(buffer.data()), n), c.bytes) << c.hex;
        EXPECT_EQ(HexToText(c.hex), c.bytes) << c.hex;
    }
}

TEST(HexText, BadPairRaisesNamingItAfterWritingThePairsBefore)
{
    std::array<std::uint8_t, 4> buffer{};
    try {
        HexToBytes(buffer.data(), buffer.size(), "41 ZZ 42");
        FAIL() << "no error";
    } catch (const EConvertError &e) {
        EXPECT_STREQ(e.what(), "'$ZZ' is not a valid integer value");
    }
    EXPECT_EQ(buffer[0], 0x41);
    EXPECT_THROW(HexToText("4G"), EConvertError);
    EXPECT_THROW(HexToText("-1"), EConvertError);
}

TEST(HexText, NeverWritesPastTheBuffer)
{
    std::array<std::uint8_t, 3> buffer{};
    EXPECT_EQ(HexToBytes(buffer.data(), 2, "41 42"), 2);
    EXPECT_EQ(HexToBytes(buffer.data(), 2, "41 42 43"), std::nullopt);
    EXPECT_EQ(buffer[2], 0) << "written past the capacity";
}

TEST(HexText, StripsUpperCaseLineEndsOnCharacterPairs)
{
    EXPECT_EQ(StripHexLineEnds("0D 0A 4F 4B 0D 0A"), "4F 4B");
    EXPECT_EQ(StripHexLineEnds("0d0a4f4b"), "0d 0a 4f 4b");
    EXPECT_EQ(StripHexLineEnds("4 F4B"), "4F 4B");
    EXPECT_EQ(StripHexLineEnds("0D0A"), "");
    EXPECT_EQ(StripHexLineEnds("zz 0D q"), "zz");

    // Fed in pieces, including a pair split between two pieces, it gives the same text.
    HexLineEndStripper pieces;
    for (const char *piece : {"4F 4", "B 0D 0", "A 31", " 3"})
        pieces.Append(QByteArray(piece));
    EXPECT_EQ(pieces.Result(), StripHexLineEnds("4F 4B 0D 0A 31 3"));
}

TEST(HexText, FileSizeOf)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("fw.bin")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    // A sparse file beyond 4 GiB shows that no 32-bit half is lost.
    const qint64 big = (qint64(5) << 30) + 7;
    ASSERT_TRUE(file.resize(big));
    file.close();
    EXPECT_EQ(FileSizeOf(file.fileName()), big);
    EXPECT_EQ(FileSizeOf(dir.filePath(QStringLiteral("*.bin"))), big);
    EXPECT_EQ(FileSizeOf(dir.filePath(QStringLiteral("missing.bin"))), -1);
    EXPECT_EQ(FileSizeOf(dir.filePath(QStringLiteral("*.txt"))), -1);
}

TEST(WireText, ConvertsCodePage1251BothWays)
{
    const QByteArray wire("\xD1\xCE\xCC-\xEF\xEE\xF0\xF2");
    const QString text = QStringLiteral("СОМ-порт");
    EXPECT_EQ(fromWire(wire), text);
    EXPECT_EQ(toWire(text), wire);
}
