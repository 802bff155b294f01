// The simulator's side of the wire: requests read from any stream, replies built byte for byte,
// and Pelco frames (written out by hand, checksums worked out by hand) read as the client sent them.
#include "fakes/link_fixture.h"
#include "packet_builder.h"
#include "pelco_decoder.h"
#include "request_reader.h"

#include <gtest/gtest.h>

#include <random>

using namespace ostrel;
using namespace ostrel::dvrsim;
using ostrel::test::Concat;
using ostrel::test::RequestBytes;

namespace {

int64_t At(int y, int mo, int d, int h, int mi, int s)
{
    return wire::MakeSecondsValue(wire::DateTimeFields{y, mo, d, h, mi, s});
}

// What the reader yields, one data type after the other.
std::vector<uint32_t> Drain(CRequestReader& reader, std::vector<DvrRequest>* pRequests = nullptr)
{
    std::vector<uint32_t> types;
    DvrRequest request;
    while (reader.Next(request)) {
        types.push_back(request.header.dwDataType);
        if (pRequests)
            pRequests->push_back(request);
    }
    return types;
}

std::vector<PelcoCommand> DecodeBytes(const std::vector<uint8_t>& bytes)
{
    return DecodePelco(bytes.data(), bytes.size());
}

} // namespace

TEST(RequestReader, TakesRequestsFromCoalescedReadsSingleBytesAndGarbage)
{
    std::vector<uint8_t> ptz = RequestBytes(0x1037, {2, 7});
    ptz[16] = 67;
    ptz[20] = 3;
    ptz.insert(ptz.end(), 7, 0x5A);
    CRequestReader reader;
    const auto stream = Concat({test::LoginBytes("admin", "4"), RequestBytes(0x1011, {1, 1, 0xFFFF}), ptz});
    reader.Feed(stream.data(), stream.size());
    std::vector<DvrRequest> requests;
    EXPECT_EQ((std::vector<uint32_t>{0x1001, 0x1011, 0x1037}), Drain(reader, &requests));
    EXPECT_EQ("admin", requests.at(0).strUser);
    EXPECT_EQ("4", requests[0].strPassword);
    EXPECT_EQ((wire::ParamBlock{1, 1, 0xFFFF, 0, 0, 0, 0, 0}), requests[1].params);
    EXPECT_EQ(std::vector<uint8_t>(7, 0x5A), requests[2].payload);
    EXPECT_EQ(0u, reader.SkippedBytes());

    const std::vector<uint8_t> stop = RequestBytes(0x1013, {1});
    for (size_t i = 0; i + 1 < stop.size(); ++i) {
        reader.Feed(&stop[i], 1);
        ASSERT_TRUE(Drain(reader).empty()) << i;
    }
    reader.Feed(&stop.back(), 1);
    EXPECT_EQ(std::vector<uint32_t>{0x1013}, Drain(reader));

    // Garbage, a length no request can have and packet type 9 are skipped to the next request.
    std::vector<uint8_t> bogus = RequestBytes(0x1011, {});
    wire::PutLe32(bogus.data() + 16, 0x7FFFFFFF);
    std::vector<uint8_t> badType = RequestBytes(0x1013, {});
    badType[20] = 9;
    const auto junk = Concat({{'x', 'y', 'D', 'V', 'R', 0, 1, 2}, bogus, badType});
    const auto mixed = Concat({junk, RequestBytes(0x1061, {})});
    CRequestReader fresh;
    fresh.Feed(mixed.data(), mixed.size());
    EXPECT_EQ(std::vector<uint32_t>{0x1061}, Drain(fresh));
    EXPECT_EQ(junk.size(), fresh.SkippedBytes());

    // Of an endless stream of noise only what could still begin a header is kept.
    CRequestReader noisy;
    std::vector<uint8_t> noise(100000, 'q');
    noise.push_back('D');
    noise.push_back('V');
    noisy.Feed(noise.data(), noise.size());
    EXPECT_TRUE(Drain(noisy).empty());
    EXPECT_EQ(noise.size() - 2, noisy.SkippedBytes());
    noisy.Feed(stop.data() + 2, stop.size() - 2);
    EXPECT_EQ(std::vector<uint32_t>{0x1013}, Drain(noisy));
}

TEST(RequestReader, RandomStreamsWithStrayMagicsNeverYieldABadRequest)
{
    std::mt19937 random(99);
    CRequestReader reader;
    const std::vector<uint8_t> stop = RequestBytes(0x1013, {1});
    size_t nGood = 0;
    size_t nSent = 0;
    for (int i = 0; i < 3000; ++i) {
        std::vector<uint8_t> chunk(random() % 300);
        for (uint8_t& by : chunk)
            by = static_cast<uint8_t>(random());
        if (random() % 3 == 0) { // a magic with a random length and type after it
            std::vector<uint8_t> header = RequestBytes(static_cast<uint16_t>(random()), {});
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
            nGood += request.header.dwDataType == 0x1013 && request.header.dwTotalLength == 60 ? 1 : 0;
        }
    }
    // A stray header with a plausible length can swallow the stop behind it; most get through.
    EXPECT_GT(nGood, nSent / 2);
}

TEST(PacketBuilder, RepliesCarryTheirWordsOnEitherVersion)
{
    const RecordedRange range{At(2024, 5, 10, 8, 30, 0), At(2024, 5, 17, 13, 45, 10)};
    const auto params = [](const std::vector<uint8_t>& out) {
        const wire::ParamBlock p = wire::DecodeParams(out.data() + 28);
        return std::vector<uint32_t>(p.begin(), p.begin() + 6);
    };
    const CPacketBuilder v2(wire::kMagicV12);
    std::vector<uint8_t> out;
    v2.AppendLoginReply(out, true, 0x16, 16, range);
    EXPECT_EQ(RequestBytes(0x1002, {1, 0x16000010, 0x07E8050A, 0x081E0000, 0x07E80511, 0x0D2D0A00}), out) << "2024-05-10 08:30:00 to 2024-05-17 13:45:10 in date and time words";

    const std::vector<uint8_t> jpeg(3000, 0xAB);
    out.clear();
    v2.AppendLiveImage(out, 6, 0, 654321, 0xFFFF, 0x3, jpeg.data(), jpeg.size());
    ASSERT_EQ(3060u, out.size());
    EXPECT_EQ(3060u, wire::GetLe32(out.data() + 16));
    EXPECT_EQ(wire::PACKET_PAYLOAD, out[20]);
    EXPECT_EQ((std::vector<uint32_t>{0, 0, 0, 7, 654321, 0xFFFF}), params(out)) << "P3 the 1-based channel";
    EXPECT_EQ(jpeg, std::vector<uint8_t>(out.begin() + 60, out.end()));
    // Play image of version 2: channel + 1 and year/month in P0, day and time of day in P1; then
    // the end of play appended behind it.
    out.clear();
    v2.AppendPlayImage(out, 15, range.nEnd, 500000, jpeg.data(), jpeg.size());
    EXPECT_EQ((std::vector<uint32_t>{0x1007E805, 0x110D2D0A, 0, 1, 500000, 0}), params(out));
    v2.AppendPlayStatus(out, PLAY_END);
    EXPECT_EQ(RequestBytes(0x1016, {0, 0, 0, 3}), std::vector<uint8_t>(out.begin() + 3060, out.end()));

    // Version 1 speaks seconds values.
    const CPacketBuilder v1(wire::kMagicV10);
    out.clear();
    v1.AppendStatusReply(out, range);
    EXPECT_EQ(RequestBytes(0x1062, {0, 0, static_cast<uint32_t>(range.nStart), static_cast<uint32_t>(range.nEnd)}, '0'), out);
    out.clear();
    v1.AppendPlayImage(out, 5, range.nEnd, 123456, jpeg.data(), 5);
    EXPECT_EQ((std::vector<uint32_t>{5, static_cast<uint32_t>(range.nEnd), 0, 1, 123456, 0}), params(out)) << "0-based";

    out.clear();
    v2.AppendAlarmEvent(out, 2, true, false, true);
    v2.AppendStopReply(out);
    EXPECT_EQ(Concat({RequestBytes(0x1036, {2, 0x01000100}), RequestBytes(0x1014, {1})}), out) << "alarm 1, loss 0, motion 1";
}

TEST(SimPelco, ReadsBothProtocolsTheirDirectionsAndStopsAndSkipsWhatIsNotAFrame)
{
    // Pelco D, camera 1, up at tilt speed 0x20: 01 + 00 + 08 + 00 + 20 = 29.
    // Pelco P, camera 3 (address 2), left at pan speed 0x20: A0^02^00^04^20^00^AF = 29.
    // Pelco D, camera 8, right and down at 3F / 10, zoom out: 08+00+52+3F+10 = A9.
    const std::vector<PelcoCommand> c = DecodeBytes({0xFF, 0x01, 0x00, 0x08, 0x00, 0x20, 0x29,
                                                0xA0, 0x02, 0x00, 0x04, 0x20, 0x00, 0xAF, 0x29,
                                                0xFF, 0x08, 0x00, 0x52, 0x3F, 0x10, 0xA9});
    ASSERT_EQ(3u, c.size());
    EXPECT_EQ("Pelco D camera 1: up at 32", DescribePelco(c[0]));
    EXPECT_EQ(0, c[0].nPan);
    EXPECT_EQ(1, c[0].nTilt);
    EXPECT_EQ("Pelco P camera 3: left at 32", DescribePelco(c[1]));
    EXPECT_EQ(-1, c[1].nPan);
    EXPECT_EQ("Pelco D camera 8: right at 63, down at 16, zoom out", DescribePelco(c[2]));
    EXPECT_EQ(-1, c[2].nZoom);

    const std::vector<PelcoCommand> d = DecodeBytes({
        0xFF, 0x02, 0x00, 0x00, 0x00, 0x00, 0x02,              // D stop, camera 2
        0xA0, 0x00, 0x00, 0x00, 0x00, 0x00, 0xAF, 0x0F,        // P stop, camera 1: A0^AF = 0F
        0xFF, 0x01, 0x01, 0x00, 0x00, 0x00, 0x02,              // D focus near
        0xFF, 0x01, 0x00, 0x02, 0xFF, 0x00, 0x02,              // D right at turbo: 01+02+FF = 102
        0xFF, 0x01, 0x00, 0x07, 0x00, 0x01, 0x09,              // D extended (bit 0 of command 2)
        0xFF, 0x01, 0x00, 0x08, 0x00, 0x20, 0x30,              // bad checksum: skipped byte by byte
        0xA0, 0x00, 0x00, 0x08, 0x00, 0x20, 0xAE, 0x27,        // P without its AF: no frame
        0xFF, 0x01, 0x00, 0x08,                                // cut short
    });
    ASSERT_EQ(5u, d.size());
    EXPECT_EQ("Pelco D camera 2: stop", DescribePelco(d[0]));
    EXPECT_EQ("Pelco P camera 1: stop", DescribePelco(d[1]));
    EXPECT_EQ("Pelco D camera 1: focus near", DescribePelco(d[2]));
    EXPECT_EQ("Pelco D camera 1: right at 64", DescribePelco(d[3]));
    EXPECT_TRUE(d[4].bExtended);
}
