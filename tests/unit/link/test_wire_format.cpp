#include "link/wire_format.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

using namespace ostrel::wire;

TEST(WireFormat, HeaderParamsAndLoginBlockLieAtTheirOffsets)
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
    EXPECT_EQ(DATATYPE_LIVE_REQUEST, DecodeHeader(bytes).dwDataType);
    EXPECT_EQ((ParamBlock{1, 1, 0xFFFF, 0, 0, 0, 0, 0}), DecodeParams(bytes + kHeaderBytes));

    // An overlong user name is cut to 127 bytes and keeps its terminator.
    uint8_t block[kLoginBlockBytes];
    memset(block, 0xAA, sizeof block);
    EncodeLoginBlock(std::string(200, 'u'), "1", block);
    EXPECT_EQ(std::string(127, 'u'), std::string(reinterpret_cast<const char*>(block), 127));
    EXPECT_EQ(0, block[127]);
    EXPECT_EQ('1', block[128]);
    for (size_t i = 129; i < kLoginBlockBytes; ++i)
        ASSERT_EQ(0, block[i]) << i;
}

TEST(WireFormat, MagicIsFoundOnlyInTextBeforeTheFirstNulAndNamesTheVersion)
{
    const auto bytes = [](const char* p) { return reinterpret_cast<const uint8_t*>(p); };
    EXPECT_TRUE(HasPacketMagic(bytes("DVR PACKET1.0\0\0\0"), 16));
    EXPECT_TRUE(HasPacketMagic(bytes("xxDVR PACKET9"), 13));
    EXPECT_FALSE(HasPacketMagic(bytes("DVR PACK\0ET1.0"), 14));
    EXPECT_FALSE(HasPacketMagic(bytes("DVR PACKE"), 9));
    const std::string late = std::string(28, 'x') + "DVR PACKET1.0"; // only the first 28 bytes count
    EXPECT_FALSE(HasPacketMagic(bytes(late.c_str()), late.size()));

    EXPECT_EQ(3u, FindPacketMagic(bytes("abcDVR PACKET"), 13));
    EXPECT_EQ(5u, FindPacketMagic(bytes("abcDV"), 5));
    EXPECT_EQ(6u, MagicPrefixTail(bytes("abcDVR PA"), 9));
    EXPECT_EQ(0u, MagicPrefixTail(bytes("abcDVX"), 6));

    EXPECT_EQ(1, ProtocolVersionFromMagic(MakeMagic("DVR PACKET1.0")));
    EXPECT_EQ(2, ProtocolVersionFromMagic(MakeMagic("DVR PACKET1.2")));
    EXPECT_EQ(3, ProtocolVersionFromMagic(MakeMagic("DVR PACKET2.0")));
}

TEST(WireFormat, DateTimeWordsSecondsValuesAndPackedEventTimes)
{
    EXPECT_EQ(0x07EA0C06u, MakeDateWord(2026, 12, 6));
    EXPECT_EQ(0x17053B00u, MakeTimeWord(23, 5, 59));
    EXPECT_EQ((DateTimeFields{2026, 12, 6, 23, 5, 59}), SplitDateTimeWords(0x07EA0C06u, 0x17053B00u));

    // Seconds values are local time.
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

    const uint32_t dw = MakeTimeCost(2026, 12, 6, 23, 59, 58);
    EXPECT_EQ((30u << 26) | (12u << 22) | (6u << 17) | (23u << 12) | (59u << 6) | 58u, dw);
    EXPECT_EQ((DateTimeFields{2026, 12, 6, 23, 59, 58}), SplitTimeCost(dw));
    EXPECT_LT(dw, MakeTimeCost(2026, 12, 7, 0, 0, 0));
    EXPECT_LT(MakeTimeCost(1996, 1, 1, 0, 0, 0), MakeTimeCost(2059, 12, 31, 23, 59, 59));
    EXPECT_EQ(MakeTimeCost(2026, 1, 1, 0, 0, 0), MakeTimeCost(2026, 1, 1, 0, 0, 64)) << "masked, not carried";

    EXPECT_EQ("050.0000%", FormatPosition(500000));
    EXPECT_EQ("000.0042%", FormatPosition(42));
}
