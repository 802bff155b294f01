// A session served in-process on loopback (the test's main supplies the GUI application the
// pictures' text needs): the replies to what the archive dialog sends, in the order a client
// sees them, and pre-encoded live pictures on the wire.
#include "dvr_server.h"
#include "fakes/link_fixture.h"
#include "fakes/qt_wait.h"
#include "link/image_codec.h"

#include <gtest/gtest.h>

#include <QHostAddress>
#include <QTcpSocket>

#include <functional>
#include <map>
#include <set>

using namespace ostrel;
using namespace ostrel::dvrsim;
using ostrel::test::RequestBytes;

namespace {

struct Reply {
    uint32_t dwDataType;
    uint32_t dwTotalLength;
    wire::ParamBlock params;
    std::vector<uint8_t> payload; // what follows the parameter block
};

// A server on a free loopback port with four cameras, and a client connected to it.
struct Session {
    explicit Session(const std::function<void(SimOptions&)>& choose) : server(Options(choose))
    {
        EXPECT_TRUE(server.Listen());
        client.connectToHost(QHostAddress::LocalHost, server.Port());
        EXPECT_TRUE(test::WaitUntil([&] { return client.state() == QAbstractSocket::ConnectedState; }));
    }
    static SimOptions Options(const std::function<void(SimOptions&)>& choose)
    {
        SimOptions options;
        options.wPort = 0;
        options.strBind = QStringLiteral("127.0.0.1");
        options.nChannels = 4;
        choose(options);
        return options;
    }
    // Writes the requests, after a login, spelt out by hand.
    void Write(std::initializer_list<std::vector<uint8_t>> requests)
    {
        const std::vector<uint8_t> bytes = test::Concat({test::LoginBytes("admin", "1"), test::Concat(requests)});
        client.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    }
    // Cuts whole replies off the bytes received until pred holds.
    bool ReadUntil(const std::function<bool()>& pred, int nMs)
    {
        return test::WaitUntil([&] {
            received += client.readAll();
            while (static_cast<size_t>(received.size()) >= wire::kMinPacketBytes) {
                const auto* p = reinterpret_cast<const uint8_t*>(received.constData());
                const wire::PacketHeader header = wire::DecodeHeader(p);
                if (header.dwTotalLength < wire::kMinPacketBytes || header.dwTotalLength > 4u * 1024u * 1024u) {
                    ADD_FAILURE() << "a reply of " << header.dwTotalLength << " bytes";
                    return true;
                }
                if (static_cast<size_t>(received.size()) < header.dwTotalLength)
                    break;
                replies.push_back({header.dwDataType, header.dwTotalLength, wire::DecodeParams(p + wire::kHeaderBytes),
                                   std::vector<uint8_t>(p + wire::kPayloadOffset, p + header.dwTotalLength)});
                received.remove(0, static_cast<qsizetype>(header.dwTotalLength));
            }
            return pred();
        }, nMs);
    }

    CDvrServer server;
    QTcpSocket client;
    QByteArray received;
    std::vector<Reply> replies;
};

} // namespace

TEST(DvrSession, ArchiveRequestsWithKeyEmulationAmongThemAreAllAnswered)
{
    Session session([](SimOptions& options) {
        options.nPlayFps = 1;
        options.rangeStart = wire::MakeSecondsValue(wire::DateTimeFields{2024, 5, 10, 8, 0, 0});
        options.rangeEnd = wire::MakeSecondsValue(wire::DateTimeFields{2024, 5, 17, 8, 0, 0});
    });
    // Archive play pressed before the range is known (key 0x0204, then the status request),
    // then play of channel 2 from 2024-05-15 12:00:00 at "4X", key 0x0204 again while
    // playing, and the stop.
    session.Write({RequestBytes(0x1043, {0x0204}, '0'), RequestBytes(0x1061, {}, '0'),
                   RequestBytes(0x1015, {2, 0x07E8050F, 0x0C000000, 0x00020100}, '0'),
                   RequestBytes(0x1043, {0x0204}, '0'), RequestBytes(0x1013, {1}, '0')});
    const std::vector<Reply>& replies = session.replies;
    ASSERT_TRUE(session.ReadUntil([&] { return !replies.empty() && replies.back().dwDataType == 0x1014; }, 5000));

    // Key emulation gets no reply; runs of play pictures count as one step.
    std::vector<uint32_t> steps;
    for (const Reply& reply : replies) {
        if (reply.dwDataType == 0x1016) {
            // A picture of channel 2, never a status-only reply (which would end the play).
            EXPECT_GT(reply.dwTotalLength, wire::kMinPacketBytes);
            EXPECT_EQ(1u, reply.params[3]);
            EXPECT_EQ(2u, reply.params[0] >> 24);
        }
        if (steps.empty() || steps.back() != reply.dwDataType || reply.dwDataType != 0x1016)
            steps.push_back(reply.dwDataType);
    }
    EXPECT_EQ((std::vector<uint32_t>{0x1002, 0x1062, 0x1016, 0x1014}), steps);
    EXPECT_EQ(1u, replies.back().params[0]) << "the stop is confirmed";
}

TEST(DvrSession, PreEncodedLivePicturesComeInRingOrderPerChannelWithTheirCodeAndAlternatingFields)
{
    Session session([](SimOptions& options) {
        options.nFps = 40;
        options.nPrerendered = 3;
    });
    ASSERT_NE(nullptr, session.server.Ring());
    // Multi-channel view of cameras 1 and 3 (mask 0b101): the two take turns.
    session.Write({RequestBytes(0x1011, {1, 0, 0x5}, '0')});
    std::map<uint32_t, std::vector<std::vector<uint8_t>>> byChannel; // P3 (1-based) -> JPEGs in order
    ASSERT_TRUE(session.ReadUntil([&] {
        for (Reply& reply : session.replies)
            if (reply.dwDataType == 0x1012)
                byChannel[reply.params[3]].push_back(std::move(reply.payload));
        session.replies.clear();
        return byChannel[1].size() >= 14 && byChannel[3].size() >= 14;
    }, 20000));
    session.client.disconnectFromHost();
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
            // Picture k is the ring's moment k mod 3 in its field, whoever else is served in between.
            const bool bOdd = codec.FieldFlag() == CImageCodec::kFieldOdd;
            EXPECT_EQ(session.server.Ring()->Picture(static_cast<int>(dwChannel) - 1, static_cast<int>(k % 3), bOdd), jpegs[k]);
        }
        EXPECT_EQ(6u, std::set<std::vector<uint8_t>>(jpegs.begin(), jpegs.begin() + 6).size())
            << "three moments in two fields are six pictures";
    }
}
