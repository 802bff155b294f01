// Requests on the wire, byte for byte (spelt out by RequestBytes, not by the encoder), the state
// each one leaves behind, and the wire's text and time encodings.
#include "fakes/link_harness.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>

using namespace ostrel;
using namespace ostrel::test;
using namespace ostrel::wire;

namespace {

class RequestBuilder : public ::testing::Test {
protected:
    const std::vector<uint8_t>& LastSent() { return h.sockets.allSent.back(); }
    bool WatchdogRuns() { return h.Timers().IsRunning(CDvrLink::kImageWatchdogTimerId); }
    LinkHarness h;
};

} // namespace

TEST_F(RequestBuilder, LoginIs300BytesAlwaysVersion10AndOtherRequestsEchoTheAnswersMagic)
{
    h.view.strUserId = "operator";
    h.view.strPassword = "4711";
    h.ConnectTcp();
    const std::vector<uint8_t> expected = LoginBytes("operator", "4711");
    EXPECT_EQ(std::vector<std::vector<uint8_t>>{expected}, h.sockets.allSent);
    EXPECT_EQ(REQ_LOGIN, h.Link().Probe().byState);

    h.Socket().Deliver(MakePacket(DATATYPE_LOGIN_REPLY, {1, 16}, {}, "DVR PACKET2.7"));
    EXPECT_EQ(3, h.Link().ProtocolVersion());
    h.Link().SendRequest(REQ_LOGIN, false);
    EXPECT_EQ(expected, LastSent());
    h.Link().SendRequest(REQ_EVENT_LOG, false);
    EXPECT_EQ(0, std::memcmp(LastSent().data(), "DVR PACKET2.7\0\0\0", 16)) << "kept verbatim";
}

TEST_F(RequestBuilder, LiveKeyEmulationEventLogAndStatusRequests)
{
    h.LogIn(kMagicV12);
    h.view.wSingleCh = 256;
    h.view.dwLiveChMask = 0xFFFF;
    h.Link().SendRequest(REQ_LIVE, true);
    EXPECT_EQ(RequestBytes(0x1011, {1, 1, 0xFFFF}), LastSent());
    h.view.wSingleCh = 5;
    h.view.dwLiveChMask = 1u << 5;
    h.Link().SendRequest(REQ_LIVE, true);
    EXPECT_EQ(RequestBytes(0x1011, {0, 6, 0x20}), LastSent());
    EXPECT_EQ(REQ_LIVE, h.Link().Probe().byState);
    EXPECT_TRUE(WatchdogRuns());

    h.Link().SendKeyEmul(0x0204);
    EXPECT_EQ(REQ_LIVE, h.Link().Probe().byState) << "key emulation leaves the state alone";

    h.Link().SendRequest(REQ_EVENT_LOG, false);
    EXPECT_EQ(RequestBytes(0x1041, {1}), LastSent());
    EXPECT_EQ(REQ_EVENT_LOG, h.Link().Probe().byState);
    h.Link().SendDvrStatus2();
    EXPECT_EQ(RequestBytes(0x1061, {}), LastSent());
    EXPECT_EQ(REQ_EVENT_LOG, h.Link().Probe().byState) << "the direct status request changes nothing";
    h.Link().SetImageWatchdog(false);
    h.Link().SendRequest(REQ_DVR_STATUS2, true);
    EXPECT_EQ(REQ_DVR_STATUS2, h.Link().Probe().byState);
    EXPECT_FALSE(WatchdogRuns()) << "never armed";
}

// Play requests of either version, word for word as the archive gives them, are the archive
// player's tests (ArchivePlayerTest, through this link); here the state each one leaves.
TEST_F(RequestBuilder, PlayStartAndStopLeaveTheirStateWatchdogAndCounter)
{
    h.RegisterArchive();
    h.LogIn();
    // Start, speed 4, forward, on channel 6 (0-based): P0 carries 7.
    h.Link().SendPlay(PlayRequest{0x07EA0C06, 0x0D2D1E00, 0x00040100, 6}, true);
    EXPECT_EQ(RequestBytes(0x1015, {7, 0x07EA0C06, 0x0D2D1E00, 0x00040100}), LastSent());
    const LinkProbe started = h.Link().Probe();
    EXPECT_EQ((std::vector<int>{REQ_PLAY, REQ_LIVE, 0}),
              (std::vector<int>{started.byState, started.byPrevState, started.bCountingPlayImages}));
    EXPECT_TRUE(WatchdogRuns());

    // The stop word: no channel, no watchdog, and the play image counter armed.
    h.Link().SendPlay(PlayRequest{}, false);
    EXPECT_EQ(RequestBytes(0x1015, {}), LastSent());
    EXPECT_FALSE(WatchdogRuns());
    EXPECT_TRUE(h.Link().Probe().bCountingPlayImages);
    EXPECT_EQ(1, h.Link().Probe().byPlayImages);
}

TEST_F(RequestBuilder, PtzDataCarriesItsLengthAndRefusesWhatTheSendBufferCannotHold)
{
    h.LogIn();
    const std::vector<uint8_t> command = {0xFF, 0x01, 0x00, 0x04, 0x20, 0x00, 0x25};
    EXPECT_TRUE(h.Link().SendPtzData(command.data(), command.size()));
    std::vector<uint8_t> expected = RequestBytes(0x1037, {2, 7});
    expected[16] = 67;
    expected[20] = 3;
    expected.insert(expected.end(), command.begin(), command.end());
    EXPECT_EQ(expected, LastSent());

    const size_t nBefore = h.sockets.allSent.size();
    const std::vector<uint8_t> largest(964, 0x55), tooLong(965, 0x55);
    EXPECT_TRUE(h.Link().SendPtzData(largest.data(), largest.size()));
    EXPECT_EQ(1024u, LastSent().size());
    EXPECT_FALSE(h.Link().SendPtzData(tooLong.data(), tooLong.size()));
    EXPECT_EQ(nBefore + 1, h.sockets.allSent.size());

    // A raw packet of length zero goes up to its first NUL.
    const uint8_t raw[] = {'A', 'B', 'C', 0, 'D'};
    h.Link().SendPacket(raw, 0);
    EXPECT_EQ((std::vector<uint8_t>{'A', 'B', 'C'}), LastSent());
    h.Link().SendPacket(raw, sizeof raw);
    EXPECT_EQ(5u, LastSent().size());
}

TEST_F(RequestBuilder, NothingIsSentAndNothingChangesWithoutAStandingConnection)
{
    for (uint8_t byKind : {REQ_LOGIN, REQ_LIVE, REQ_PLAY, REQ_EVENT_LOG, REQ_STOP, REQ_KEY_EMUL, REQ_DVR_STATUS2})
        h.Link().SendRequest(byKind, true);
    h.Link().SendKeyEmul(0x201);
    h.Link().SendDvrStatus2();
    const uint8_t command[] = {1, 2, 3};
    EXPECT_FALSE(h.Link().SendPtzData(command, 3));
    h.Link().SendPacket(command, 3);
    EXPECT_EQ(0, h.sockets.nCreated);
    EXPECT_EQ((std::vector<int>{REQ_LOGIN, REQ_LIVE, 0}),
              (std::vector<int>{h.Link().Probe().byState, h.Link().Probe().byPrevState, h.Link().Probe().bStopPending}));
    EXPECT_TRUE(h.Timers().Log().empty());

    ASSERT_TRUE(h.Link().Connect("127.0.0.1", 8000)); // the TCP connection not yet standing
    h.Link().SendRequest(REQ_LIVE, true);
    EXPECT_TRUE(h.sockets.allSent.empty());
}

TEST(WireFormat, LoginBlockCutsOverlongNamesAndTheMagicIsFoundOnlyBeforeTheFirstNul)
{
    // An overlong user name is cut to 127 bytes and keeps its terminator.
    uint8_t block[kLoginBlockBytes];
    memset(block, 0xAA, sizeof block);
    EncodeLoginBlock(std::string(200, 'u'), "1", block);
    std::vector<uint8_t> expected(kLoginBlockBytes, 0);
    std::fill(expected.begin(), expected.begin() + 127, 'u');
    expected[128] = '1';
    EXPECT_EQ(expected, std::vector<uint8_t>(block, block + sizeof block));

    // Only a magic within a packet's first 28 bytes counts, and only before its first NUL.
    const auto bytes = [](const char* p) { return reinterpret_cast<const uint8_t*>(p); };
    EXPECT_TRUE(HasPacketMagic(bytes("xxDVR PACKET9"), 13));
    EXPECT_FALSE(HasPacketMagic(bytes("DVR PACK\0ET1.0"), 14));
    const std::string late = std::string(28, 'x') + "DVR PACKET1.0";
    EXPECT_FALSE(HasPacketMagic(bytes(late.c_str()), late.size()));
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
    EXPECT_EQ(0x7B0D7EFAu, dw) << "years since 1996, month, day, hour, minute, second in 6, 4, 5, 5, 6, 6 bits";
    EXPECT_EQ((DateTimeFields{2026, 12, 6, 23, 59, 58}), SplitTimeCost(dw));
    EXPECT_EQ(MakeTimeCost(2026, 1, 1, 0, 0, 0), MakeTimeCost(2026, 1, 1, 0, 0, 64)) << "masked, not carried";
}
