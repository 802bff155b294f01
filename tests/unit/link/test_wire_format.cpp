#include "link/wire_format.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

using namespace ostrel::wire;

TEST(WireFormat, HeaderAndParamsAreLittleEndianAtTheirOffsets)
{
    PacketHeader header;
    header.magic = MakeMagic(kMagicV12);
    header.dwTotalLength = 60;
    header.dwPacketType = PACKET_PARAMS;
    header.dwDataType = DATATYPE_LIVE_REQUEST;
    uint8_t bytes[kMinPacketBytes] = {};
    EncodeHeader(header, bytes);
    EncodeParams(ParamBlock{1, 1, 0xFFFF}, bytes + kHeaderBytes);

    const uint8_t expected[kMinPacketBytes] = {
        'D', 'V', 'R', ' ', 'P', 'A', 'C', 'K', 'E', 'T', '1', '.', '2', 0, 0, 0,
        0x3C, 0, 0, 0, 0x01, 0, 0, 0, 0x11, 0x10, 0, 0,
        1, 0, 0, 0, 1, 0, 0, 0, 0xFF, 0xFF, 0, 0};
    EXPECT_EQ(0, memcmp(expected, bytes, sizeof bytes));

    const PacketHeader back = DecodeHeader(bytes);
    EXPECT_EQ(header.magic, back.magic);
    EXPECT_EQ(60u, back.dwTotalLength);
    EXPECT_EQ(DATATYPE_LIVE_REQUEST, back.dwDataType);
    EXPECT_EQ((ParamBlock{1, 1, 0xFFFF, 0, 0, 0, 0, 0}), DecodeParams(bytes + kHeaderBytes));
}

TEST(WireFormat, LoginBlockCutsOverlongTextsAndKeepsTerminators)
{
    uint8_t block[kLoginBlockBytes];
    memset(block, 0xAA, sizeof block);
    EncodeLoginBlock(std::string(200, 'u'), "1", block);
    for (size_t i = 0; i < 127; ++i)
        ASSERT_EQ('u', block[i]);
    EXPECT_EQ(0, block[127]);
    EXPECT_EQ('1', block[128]);
    for (size_t i = 129; i < kLoginBlockBytes; ++i)
        ASSERT_EQ(0, block[i]) << i;
}

TEST(WireFormat, MagicIsFoundOnlyInTextBeforeTheFirstNul)
{
    const auto bytes = [](const char* p, size_t) { return reinterpret_cast<const uint8_t*>(p); };
    EXPECT_TRUE(HasPacketMagic(bytes("DVR PACKET1.0\0\0\0", 16), 16));
    EXPECT_TRUE(HasPacketMagic(bytes("xxDVR PACKET9", 13), 13));
    EXPECT_FALSE(HasPacketMagic(bytes("DVR PACK\0ET1.0", 14), 14));
    EXPECT_FALSE(HasPacketMagic(bytes("DVR PACKE", 9), 9));
    // Only the first 28 bytes count.
    std::string late(28, 'x');
    late += "DVR PACKET1.0";
    EXPECT_FALSE(HasPacketMagic(bytes(late.data(), 0), late.size()));

    EXPECT_EQ(3u, FindPacketMagic(bytes("abcDVR PACKET", 13), 13));
    EXPECT_EQ(5u, FindPacketMagic(bytes("abcDV", 5), 5));
    EXPECT_EQ(6u, MagicPrefixTail(bytes("abcDVR PA", 9), 9));
    EXPECT_EQ(0u, MagicPrefixTail(bytes("abcDVX", 6), 6));
}

TEST(WireFormat, ProtocolVersionComesFromTheMagic)
{
    EXPECT_EQ(1, ProtocolVersionFromMagic(MakeMagic("DVR PACKET1.0")));
    EXPECT_EQ(2, ProtocolVersionFromMagic(MakeMagic("DVR PACKET1.2")));
    EXPECT_EQ(3, ProtocolVersionFromMagic(MakeMagic("DVR PACKET2.0")));
}

TEST(WireFormat, DateAndTimeWords)
{
    EXPECT_EQ(0x07EA0C06u, MakeDateWord(2026, 12, 6));
    EXPECT_EQ(0x17053B00u, MakeTimeWord(23, 5, 59));
    const DateTimeFields t = SplitDateTimeWords(0x07EA0C06u, 0x17053B00u);
    EXPECT_EQ((DateTimeFields{2026, 12, 6, 23, 5, 59}), t);
}

TEST(WireFormat, SecondsValueIsLocalTime)
{
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(0u, MakeSecondsValue({1970, 1, 1, 0, 0, 0}));
    EXPECT_EQ(1796515200u, MakeSecondsValue({2026, 12, 6, 0, 0, 0}));
    setenv("TZ", "CET-1", 1);
    tzset();
    EXPECT_EQ(1796515200u - 3600u, MakeSecondsValue({2026, 12, 6, 0, 0, 0}));
    EXPECT_EQ((DateTimeFields{2026, 12, 6, 0, 0, 0}), SplitSecondsValue(1796515200u - 3600u));
    unsetenv("TZ");
    tzset();
}

TEST(WireFormat, PackedEventTimeRoundTripsAndOrdersLikeTime)
{
    const uint32_t dw = MakeTimeCost(2026, 12, 6, 23, 59, 58);
    EXPECT_EQ((30u << 26) | (12u << 22) | (6u << 17) | (23u << 12) | (59u << 6) | 58u, dw);
    EXPECT_EQ((DateTimeFields{2026, 12, 6, 23, 59, 58}), SplitTimeCost(dw));
    EXPECT_LT(MakeTimeCost(2026, 12, 6, 23, 59, 58), MakeTimeCost(2026, 12, 7, 0, 0, 0));
    EXPECT_LT(MakeTimeCost(1996, 1, 1, 0, 0, 0), MakeTimeCost(2059, 12, 31, 23, 59, 59));
    // Fields wider than their bits are masked, not carried into the neighbour.
    EXPECT_EQ(MakeTimeCost(2026, 1, 1, 0, 0, 0), MakeTimeCost(2026, 1, 1, 0, 0, 64));
}

TEST(WireFormat, PositionText)
{
    EXPECT_EQ("050.0000%", FormatPosition(500000));
    EXPECT_EQ("100.0000%", FormatPosition(1000000));
    EXPECT_EQ("000.0042%", FormatPosition(42));
}
