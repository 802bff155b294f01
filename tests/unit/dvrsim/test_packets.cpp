#include "packet_builder.h"
#include "request_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

using namespace ostrel;
using namespace ostrel::dvrsim;

namespace {

std::vector<uint8_t> Request(uint32_t dwDataType, const wire::ParamBlock& params, size_t nPayload = 0)
{
    std::vector<uint8_t> out(wire::kMinPacketBytes + nPayload, 0x5A);
    wire::PacketHeader header;
    header.magic = wire::MakeMagic(wire::kMagicV12);
    header.dwTotalLength = static_cast<uint32_t>(out.size());
    header.dwPacketType = nPayload > 0 ? wire::PACKET_PAYLOAD : wire::PACKET_PARAMS;
    header.dwDataType = dwDataType;
    wire::EncodeHeader(header, out.data());
    wire::EncodeParams(params, out.data() + wire::kHeaderBytes);
    return out;
}

std::vector<uint8_t> Login(const char* pszUser, const char* pszPassword)
{
    std::vector<uint8_t> out(wire::kLoginPacketBytes);
    wire::PacketHeader header;
    header.magic = wire::MakeMagic(wire::kMagicV10);
    header.dwTotalLength = wire::kLoginPacketBytes;
    header.dwPacketType = wire::PACKET_LOGIN;
    header.dwDataType = wire::DATATYPE_LOGIN;
    wire::EncodeHeader(header, out.data());
    wire::EncodeLoginBlock(pszUser, pszPassword, out.data() + wire::kHeaderBytes);
    return out;
}

// Seconds value of a local moment.
int64_t At(int y, int mo, int d, int h, int mi, int s)
{
    return wire::MakeSecondsValue(wire::DateTimeFields{y, mo, d, h, mi, s});
}

} // namespace

// ---- requests in ----

TEST(RequestReader, TakesLoginAndRequestsFromOneCoalescedRead)
{
    std::vector<uint8_t> stream = Login("admin", "4");
    const std::vector<uint8_t> live = Request(wire::DATATYPE_LIVE_REQUEST, {1, 1, 0xFFFF});
    const std::vector<uint8_t> ptz = Request(wire::DATATYPE_PTZ_DATA, {2, 7}, 7);
    stream.insert(stream.end(), live.begin(), live.end());
    stream.insert(stream.end(), ptz.begin(), ptz.end());

    CRequestReader reader;
    reader.Feed(stream.data(), stream.size());
    DvrRequest request;
    ASSERT_TRUE(reader.Next(request));
    EXPECT_EQ(wire::DATATYPE_LOGIN, request.header.dwDataType);
    EXPECT_EQ("admin", request.strUser);
    EXPECT_EQ("4", request.strPassword);
    ASSERT_TRUE(reader.Next(request));
    EXPECT_EQ(wire::DATATYPE_LIVE_REQUEST, request.header.dwDataType);
    EXPECT_EQ((wire::ParamBlock{1, 1, 0xFFFF, 0, 0, 0, 0, 0}), request.params);
    ASSERT_TRUE(reader.Next(request));
    EXPECT_EQ(wire::DATATYPE_PTZ_DATA, request.header.dwDataType);
    EXPECT_EQ(std::vector<uint8_t>(7, 0x5A), request.payload);
    EXPECT_FALSE(reader.Next(request));
    EXPECT_EQ(0u, reader.SkippedBytes());
}

TEST(RequestReader, AssemblesARequestFedOneByteAtATime)
{
    const std::vector<uint8_t> stop = Request(wire::DATATYPE_STOP, {1});
    CRequestReader reader;
    DvrRequest request;
    for (size_t i = 0; i + 1 < stop.size(); ++i) {
        reader.Feed(&stop[i], 1);
        ASSERT_FALSE(reader.Next(request)) << i;
    }
    reader.Feed(&stop.back(), 1);
    ASSERT_TRUE(reader.Next(request));
    EXPECT_EQ(wire::DATATYPE_STOP, request.header.dwDataType);
    EXPECT_EQ(1u, request.params[0]);
}

TEST(RequestReader, SkipsGarbageAndImpossibleHeadersToTheNextRequest)
{
    std::vector<uint8_t> stream = {'x', 'y', 'D', 'V', 'R', 0, 1, 2};
    std::vector<uint8_t> bogus = Request(wire::DATATYPE_LIVE_REQUEST, {});
    wire::PutLe32(bogus.data() + 16, 0x7FFFFFFF);        // a length no request can have
    std::vector<uint8_t> badType = Request(wire::DATATYPE_STOP, {});
    wire::PutLe32(badType.data() + 20, 9);               // packet type 9
    std::vector<uint8_t> status = Request(wire::DATATYPE_DVR_STATUS2, {});
    for (const std::vector<uint8_t>* p : {&bogus, &badType, &status})
        stream.insert(stream.end(), p->begin(), p->end());

    CRequestReader reader;
    reader.Feed(stream.data(), stream.size());
    DvrRequest request;
    ASSERT_TRUE(reader.Next(request));
    EXPECT_EQ(wire::DATATYPE_DVR_STATUS2, request.header.dwDataType);
    EXPECT_FALSE(reader.Next(request));
    EXPECT_EQ(stream.size() - status.size(), reader.SkippedBytes());
}

TEST(RequestReader, KeepsLittleOfAnEndlessStreamOfNoise)
{
    CRequestReader reader;
    std::vector<uint8_t> noise(100000, 'q');
    noise.push_back('D');
    noise.push_back('V');
    reader.Feed(noise.data(), noise.size());
    DvrRequest request;
    EXPECT_FALSE(reader.Next(request));
    EXPECT_EQ(noise.size() - 2, reader.SkippedBytes()); // only "DV" could still begin a header
    std::vector<uint8_t> tail = Request(wire::DATATYPE_STOP, {1});
    tail.erase(tail.begin(), tail.begin() + 2);
    reader.Feed(tail.data(), tail.size());
    ASSERT_TRUE(reader.Next(request));
    EXPECT_EQ(wire::DATATYPE_STOP, request.header.dwDataType);
}

// ---- replies out ----

TEST(PacketBuilder, LoginReplyOfVersion2CarriesChannelsModelAndRangeWords)
{
    const CPacketBuilder builder(wire::kMagicV12);
    ASSERT_EQ(2, builder.Version());
    std::vector<uint8_t> out;
    const RecordedRange range{At(2024, 5, 10, 8, 30, 0), At(2024, 5, 17, 13, 45, 10)};
    builder.AppendLoginReply(out, true, 0x16, 16, range);
    ASSERT_EQ(60u, out.size());
    const wire::PacketHeader header = wire::DecodeHeader(out.data());
    EXPECT_EQ(wire::MakeMagic(wire::kMagicV12), header.magic);
    EXPECT_EQ(60u, header.dwTotalLength);
    EXPECT_EQ(wire::PACKET_PARAMS, header.dwPacketType);
    EXPECT_EQ(wire::DATATYPE_LOGIN_REPLY, header.dwDataType);
    const wire::ParamBlock p = wire::DecodeParams(out.data() + 28);
    EXPECT_EQ(1u, p[0]);
    EXPECT_EQ(0x16000010u, p[1]);
    EXPECT_EQ(0x07E8050Au, p[2]); // 2024-05-10
    EXPECT_EQ(0x081E0000u, p[3]); // 08:30:00
    EXPECT_EQ(0x07E80511u, p[4]); // 2024-05-17
    EXPECT_EQ(0x0D2D0A00u, p[5]); // 13:45:10

    out.clear();
    builder.AppendLoginReply(out, false, 0, 8, range);
    EXPECT_EQ(0u, wire::DecodeParams(out.data() + 28)[0]);
    EXPECT_EQ(8u, wire::DecodeParams(out.data() + 28)[1]);
}

TEST(PacketBuilder, Version1SpeaksSecondsValues)
{
    const CPacketBuilder builder(wire::kMagicV10);
    ASSERT_EQ(1, builder.Version());
    const RecordedRange range{At(2024, 5, 10, 8, 30, 0), At(2024, 5, 17, 13, 45, 10)};
    std::vector<uint8_t> out;
    builder.AppendStatusReply(out, range);
    const wire::ParamBlock p = wire::DecodeParams(out.data() + 28);
    EXPECT_EQ(wire::DATATYPE_DVR_STATUS2_REPLY, wire::DecodeHeader(out.data()).dwDataType);
    EXPECT_EQ(static_cast<uint32_t>(range.nStart), p[2]);
    EXPECT_EQ(static_cast<uint32_t>(range.nEnd), p[3]);
    EXPECT_EQ(0u, p[4]);

    out.clear();
    const uint8_t jpeg[5] = {0xFF, 0xD8, 0xFF, 0xE0, 0};
    builder.AppendPlayImage(out, 5, range.nEnd, 123456, jpeg, sizeof jpeg);
    const wire::ParamBlock q = wire::DecodeParams(out.data() + 28);
    EXPECT_EQ(5u, q[0]); // 0-based channel
    EXPECT_EQ(static_cast<uint32_t>(range.nEnd), q[1]);
    EXPECT_EQ(1u, q[3]);
    EXPECT_EQ(123456u, q[4]);
}

TEST(PacketBuilder, ImagesCarryTheirPayloadAndHeaderFields)
{
    const CPacketBuilder builder;
    const std::vector<uint8_t> jpeg(3000, 0xAB);
    std::vector<uint8_t> out;
    builder.AppendLiveImage(out, 6, 0, 654321, 0xFFFF, 0x3, jpeg.data(), jpeg.size());
    ASSERT_EQ(3060u, out.size());
    wire::PacketHeader header = wire::DecodeHeader(out.data());
    EXPECT_EQ(3060u, header.dwTotalLength);
    EXPECT_EQ(wire::PACKET_PAYLOAD, header.dwPacketType);
    EXPECT_EQ(wire::DATATYPE_LIVE_IMAGE, header.dwDataType);
    wire::ParamBlock p = wire::DecodeParams(out.data() + 28);
    EXPECT_EQ(7u, p[3]); // 1-based channel
    EXPECT_EQ(654321u, p[4]);
    EXPECT_EQ(0xFFFFu, p[5]);
    EXPECT_EQ(0, memcmp(jpeg.data(), out.data() + 60, jpeg.size()));

    // Version 2 play image: channel + 1 and year/month in P0, day and time of day in P1.
    out.clear();
    builder.AppendPlayImage(out, 15, At(2024, 5, 17, 13, 45, 10), 500000, jpeg.data(), jpeg.size());
    p = wire::DecodeParams(out.data() + 28);
    EXPECT_EQ(wire::DATATYPE_PLAY_IMAGE, wire::DecodeHeader(out.data()).dwDataType);
    EXPECT_EQ(0x1007E805u, p[0]);
    EXPECT_EQ(0x110D2D0Au, p[1]);
    EXPECT_EQ(1u, p[3]);
    EXPECT_EQ(500000u, p[4]);

    // Several packets append one after the other.
    const size_t nBefore = out.size();
    builder.AppendPlayStatus(out, PLAY_END);
    ASSERT_EQ(nBefore + 60, out.size());
    header = wire::DecodeHeader(out.data() + nBefore);
    EXPECT_EQ(60u, header.dwTotalLength);
    EXPECT_EQ(wire::PACKET_PARAMS, header.dwPacketType);
    EXPECT_EQ(3u, wire::DecodeParams(out.data() + nBefore + 28)[3]);
}

TEST(PacketBuilder, NoticesAndConfirmations)
{
    const CPacketBuilder builder;
    std::vector<uint8_t> out;
    builder.AppendAlarmEvent(out, 2, true, false, true);
    EXPECT_EQ(wire::DATATYPE_ALARM_EVENT, wire::DecodeHeader(out.data()).dwDataType);
    EXPECT_EQ(2u, wire::DecodeParams(out.data() + 28)[0]);
    EXPECT_EQ(0x01000100u, wire::DecodeParams(out.data() + 28)[1]); // alarm 1, loss 0, motion 1

    out.clear();
    builder.AppendStopReply(out);
    EXPECT_EQ(wire::DATATYPE_STOP_REPLY, wire::DecodeHeader(out.data()).dwDataType);
    EXPECT_EQ(1u, wire::DecodeParams(out.data() + 28)[0]);

    out.clear();
    const std::vector<uint8_t> records(40, 3);
    builder.AppendEventLog(out, records);
    EXPECT_EQ(100u, wire::DecodeHeader(out.data()).dwTotalLength);
    EXPECT_EQ(wire::DATATYPE_EVENT_LOG, wire::DecodeHeader(out.data()).dwDataType);
}

TEST(RequestReader, RandomStreamsWithStrayMagicsNeverYieldABadRequest)
{
    std::mt19937 random(99);
    CRequestReader reader;
    const std::vector<uint8_t> stop = Request(wire::DATATYPE_STOP, {1});
    size_t nGood = 0;
    size_t nSent = 0;
    for (int i = 0; i < 3000; ++i) {
        std::vector<uint8_t> chunk(random() % 300);
        for (uint8_t& by : chunk)
            by = static_cast<uint8_t>(random());
        if (random() % 3 == 0) { // a magic with a random length and type after it
            std::vector<uint8_t> header = Request(static_cast<uint32_t>(random()), {});
            wire::PutLe32(header.data() + 16, random() % 2 == 0 ? static_cast<uint32_t>(random()) : 60 + random() % 200);
            wire::PutLe32(header.data() + 20, random() % 4);
            header.resize(random() % header.size());
            chunk.insert(chunk.begin() + static_cast<std::ptrdiff_t>(random() % (chunk.size() + 1)), header.begin(), header.end());
        }
        if (random() % 5 == 0) {
            chunk.insert(chunk.end(), stop.begin(), stop.end());
            ++nSent;
        }
        reader.Feed(chunk.data(), chunk.size());
        DvrRequest request;
        while (reader.Next(request)) {
            ASSERT_GE(request.header.dwTotalLength, wire::kMinPacketBytes);
            ASSERT_LE(request.header.dwTotalLength, CRequestReader::kMaxRequestBytes);
            ASSERT_EQ(request.header.dwPacketType == wire::PACKET_LOGIN ? 0u : request.header.dwTotalLength - 60,
                      request.payload.size());
            nGood += request.header.dwDataType == wire::DATATYPE_STOP && request.header.dwTotalLength == 60 ? 1 : 0;
        }
    }
    // A stray header with a plausible length can swallow the stop behind it; most get through.
    EXPECT_GT(nGood, nSent / 2);
}
