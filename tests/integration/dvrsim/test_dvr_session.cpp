// A session served in-process on loopback (the test's main supplies the GUI application the
// pictures' text needs): the requests the archive dialog sends, with key
// emulation among them, and the replies in the order a client sees them.

#include "dvr_server.h"
#include "link/image_codec.h"
#include "fakes/qt_wait.h"

#include <gtest/gtest.h>

#include <QHostAddress>
#include <QTcpSocket>

#include <map>
#include <set>
#include <vector>

using namespace ostrel;
using namespace ostrel::dvrsim;

namespace {

QByteArray Request(uint32_t dwDataType, const wire::ParamBlock& params)
{
    QByteArray out(static_cast<qsizetype>(wire::kMinPacketBytes), '\0');
    wire::PacketHeader header;
    header.magic = wire::MakeMagic(wire::kMagicV10);
    header.dwTotalLength = static_cast<uint32_t>(wire::kMinPacketBytes);
    header.dwPacketType = wire::PACKET_PARAMS;
    header.dwDataType = dwDataType;
    auto* p = reinterpret_cast<uint8_t*>(out.data());
    wire::EncodeHeader(header, p);
    wire::EncodeParams(params, p + wire::kHeaderBytes);
    return out;
}

QByteArray Login()
{
    QByteArray out(static_cast<qsizetype>(wire::kLoginPacketBytes), '\0');
    wire::PacketHeader header;
    header.magic = wire::MakeMagic(wire::kMagicV10);
    header.dwTotalLength = wire::kLoginPacketBytes;
    header.dwPacketType = wire::PACKET_LOGIN;
    header.dwDataType = wire::DATATYPE_LOGIN;
    auto* p = reinterpret_cast<uint8_t*>(out.data());
    wire::EncodeHeader(header, p);
    wire::EncodeLoginBlock("admin", "1", p + wire::kHeaderBytes);
    return out;
}

struct Reply {
    uint32_t dwDataType;
    uint32_t dwTotalLength;
    wire::ParamBlock params;
    std::vector<uint8_t> payload; // what follows the parameter block
};

// Cuts whole replies off the front of the bytes received so far.
void TakeReplies(QByteArray& bytes, std::vector<Reply>& replies)
{
    while (static_cast<size_t>(bytes.size()) >= wire::kMinPacketBytes) {
        const auto* p = reinterpret_cast<const uint8_t*>(bytes.constData());
        const wire::PacketHeader header = wire::DecodeHeader(p);
        ASSERT_GE(header.dwTotalLength, wire::kMinPacketBytes);
        ASSERT_LT(header.dwTotalLength, 4u * 1024u * 1024u);
        if (static_cast<size_t>(bytes.size()) < header.dwTotalLength)
            return;
        replies.push_back({header.dwDataType, header.dwTotalLength, wire::DecodeParams(p + wire::kHeaderBytes),
                           std::vector<uint8_t>(p + wire::kPayloadOffset, p + header.dwTotalLength)});
        bytes.remove(0, static_cast<qsizetype>(header.dwTotalLength));
    }
}

} // namespace

TEST(DvrSession, ArchiveRequestsWithKeyEmulationAmongThemAreAllAnswered)
{
    SimOptions options;
    options.wPort = 0;
    options.strBind = QStringLiteral("127.0.0.1");
    options.nChannels = 4;
    options.nPlayFps = 1;
    options.rangeStart = wire::MakeSecondsValue(wire::DateTimeFields{2024, 5, 10, 8, 0, 0});
    options.rangeEnd = wire::MakeSecondsValue(wire::DateTimeFields{2024, 5, 17, 8, 0, 0});
    CDvrServer server(options);
    ASSERT_TRUE(server.Listen());

    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, server.Port());
    ASSERT_TRUE(test::WaitUntil([&] { return client.state() == QAbstractSocket::ConnectedState; }));

    // Archive play pressed before the range is known (key 0x0204, then the status request),
    // then play of channel 2 from 2024-05-15 12:00:00 at "4X", key 0x0204 again while
    // playing, and the stop.
    client.write(Login() + Request(wire::DATATYPE_KEY_EMUL, {0x0204})
                 + Request(wire::DATATYPE_DVR_STATUS2, {})
                 + Request(wire::DATATYPE_PLAY_REQUEST, {2, 0x07E8050F, 0x0C000000, 0x00020100})
                 + Request(wire::DATATYPE_KEY_EMUL, {0x0204}) + Request(wire::DATATYPE_STOP, {1}));

    QByteArray bytes;
    std::vector<Reply> replies;
    ASSERT_TRUE(test::WaitUntil([&] {
        bytes += client.readAll();
        TakeReplies(bytes, replies);
        return !replies.empty() && replies.back().dwDataType == wire::DATATYPE_STOP_REPLY;
    }));

    // Key emulation gets no reply; runs of play pictures count as one step.
    std::vector<uint32_t> steps;
    for (const Reply& reply : replies) {
        if (reply.dwDataType == wire::DATATYPE_PLAY_IMAGE) {
            // A picture of channel 2, never a status-only reply (which would end the play).
            EXPECT_GT(reply.dwTotalLength, wire::kMinPacketBytes);
            EXPECT_EQ(1u, reply.params[3]);
            EXPECT_EQ(2u, reply.params[0] >> 24);
        }
        if (steps.empty() || steps.back() != reply.dwDataType || reply.dwDataType != wire::DATATYPE_PLAY_IMAGE)
            steps.push_back(reply.dwDataType);
    }
    const std::vector<uint32_t> expected = {0x1002, 0x1062, 0x1016, 0x1014};
    EXPECT_EQ(expected, steps);
    EXPECT_EQ(1u, replies.back().params[0]); // the stop is confirmed
}

TEST(DvrSession, PreEncodedLivePicturesComeInRingOrderPerChannelWithTheirCodeAndAlternatingFields)
{
    SimOptions options;
    options.wPort = 0;
    options.strBind = QStringLiteral("127.0.0.1");
    options.nChannels = 4;
    options.nFps = 40;
    options.nPrerendered = 3;
    CDvrServer server(options);
    ASSERT_TRUE(server.Listen());
    ASSERT_NE(nullptr, server.Ring());

    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, server.Port());
    ASSERT_TRUE(test::WaitUntil([&] { return client.state() == QAbstractSocket::ConnectedState; }));
    // Multi-channel view of cameras 1 and 3 (mask 0b101): the two take turns.
    client.write(Login() + Request(wire::DATATYPE_LIVE_REQUEST, {1, 0, 0x5}));

    constexpr size_t kWanted = 14;
    QByteArray bytes;
    std::vector<Reply> replies;
    std::map<uint32_t, std::vector<std::vector<uint8_t>>> byChannel; // P3 (1-based) -> JPEGs in order
    ASSERT_TRUE(test::WaitUntil([&] {
        bytes += client.readAll();
        TakeReplies(bytes, replies);
        for (Reply& reply : replies) {
            if (reply.dwDataType == wire::DATATYPE_LIVE_IMAGE)
                byChannel[reply.params[3]].push_back(std::move(reply.payload));
        }
        replies.clear();
        return byChannel[1].size() >= kWanted && byChannel[3].size() >= kWanted;
    }, 20000));
    client.disconnectFromHost();
    ASSERT_EQ(2u, byChannel.size()) << "only the two asked-for channels are sent";

    CImageCodec codec;
    for (const uint32_t dwChannel : {1u, 3u}) {
        SCOPED_TRACE(::testing::Message() << "channel " << dwChannel);
        const std::vector<std::vector<uint8_t>>& jpegs = byChannel[dwChannel];
        uint8_t byPreviousField = 0xFF;
        for (size_t k = 0; k < jpegs.size(); ++k) {
            SCOPED_TRACE(::testing::Message() << "picture " << k);
            ASSERT_EQ(dwChannel - 1, codec.Decode(jpegs[k].data(), jpegs[k].size(), false));
            EXPECT_NE(byPreviousField, codec.FieldFlag()) << "fields alternate";
            byPreviousField = codec.FieldFlag();
            // Three moments and two fields: the stream repeats every six pictures, and picture
            // k is the ring's moment k mod 3 in its field, whoever else is served in between.
            if (k + 6 < jpegs.size()) {
                EXPECT_EQ(jpegs[k], jpegs[k + 6]);
            }
            const bool bOdd = codec.FieldFlag() == CImageCodec::kFieldOdd;
            EXPECT_EQ(server.Ring()->Picture(static_cast<int>(dwChannel) - 1, static_cast<int>(k % 3), bOdd), jpegs[k]);
        }
        const std::set<std::vector<uint8_t>> firstSix(jpegs.begin(), jpegs.begin() + 6);
        EXPECT_EQ(6u, firstSix.size()) << "three moments in two fields are six pictures";
    }
}
