// Requests on the wire, byte for byte, and the state each one leaves behind.
#include "fakes/link_harness.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace ostrel;
using namespace ostrel::test;
using namespace ostrel::wire;

namespace {

// Expected packets are written out by hand here, so the encoder is not checked against itself.
std::vector<uint8_t> Bytes(std::initializer_list<int> values)
{
    std::vector<uint8_t> out;
    for (int v : values)
        out.push_back(static_cast<uint8_t>(v));
    return out;
}

std::vector<uint8_t> Header(std::string_view magic, int nLength, int nType, int nDataType)
{
    std::vector<uint8_t> out(28, 0);
    std::memcpy(out.data(), magic.data(), magic.size());
    out[16] = static_cast<uint8_t>(nLength);
    out[17] = static_cast<uint8_t>(nLength >> 8);
    out[20] = static_cast<uint8_t>(nType);
    out[24] = static_cast<uint8_t>(nDataType);
    out[25] = static_cast<uint8_t>(nDataType >> 8);
    return out;
}

std::vector<uint8_t> Words(std::initializer_list<uint32_t> words, size_t nTotalWords = 8)
{
    std::vector<uint8_t> out(4 * nTotalWords, 0);
    size_t i = 0;
    for (uint32_t w : words) {
        out[i] = static_cast<uint8_t>(w);
        out[i + 1] = static_cast<uint8_t>(w >> 8);
        out[i + 2] = static_cast<uint8_t>(w >> 16);
        out[i + 3] = static_cast<uint8_t>(w >> 24);
        i += 4;
    }
    return out;
}

class RequestBuilder : public ::testing::Test {
protected:
    LinkHarness h;
    const std::vector<uint8_t>& LastSent() { return h.sockets.allSent.back(); }
};

} // namespace

TEST_F(RequestBuilder, LoginIs300BytesWithPasswordAtOffset156AndAlwaysVersion10Magic)
{
    h.view.strUserId = "operator";
    h.view.strPassword = "4711";
    h.ConnectTcp();
    ASSERT_EQ(1u, h.sockets.allSent.size());
    std::vector<uint8_t> expected = Header("DVR PACKET1.0", 300, 2, 0x1001);
    expected.resize(300, 0);
    std::memcpy(expected.data() + 28, "operator", 8);
    std::memcpy(expected.data() + 156, "4711", 4);
    EXPECT_EQ(expected, LastSent());
    EXPECT_EQ(REQ_LOGIN, h.Link().State());

    // A 1.2 recorder answers; the login that follows still says 1.0, other requests echo 1.2.
    h.Socket().Deliver(MakePacket(DATATYPE_LOGIN_REPLY, {1, 16}, {}, kMagicV12));
    h.Link().SendRequest(REQ_LOGIN, false);
    EXPECT_EQ(expected, LastSent());
    h.Link().SendRequest(REQ_EVENT_LOG, false);
    EXPECT_EQ(0, std::memcmp(LastSent().data(), "DVR PACKET1.2\0\0\0", 16));
}

TEST_F(RequestBuilder, EchoedMagicIsKeptVerbatimWhateverTheRecorderSays)
{
    h.ConnectTcp();
    h.Socket().Deliver(MakePacket(DATATYPE_LOGIN_REPLY, {1, 16}, {}, "DVR PACKET2.7"));
    EXPECT_EQ(3, h.Link().ProtocolVersion());
    h.Link().SendRequest(REQ_EVENT_LOG, false);
    EXPECT_EQ(0, std::memcmp(LastSent().data(), "DVR PACKET2.7\0\0\0", 16));
}

TEST_F(RequestBuilder, LiveRequestCarriesSingleChannelBytesAndMask)
{
    h.LogIn(kMagicV12);
    h.view.wSingleCh = 256;
    h.view.dwLiveChMask = 0xFFFF;
    h.Link().SendRequest(REQ_LIVE, true);
    std::vector<uint8_t> expected = Header("DVR PACKET1.2", 60, 1, 0x1011);
    const auto params = Words({1, 1, 0xFFFF});
    expected.insert(expected.end(), params.begin(), params.end());
    EXPECT_EQ(expected, LastSent());

    h.view.wSingleCh = 5;
    h.view.dwLiveChMask = 1u << 5;
    h.Link().SendRequest(REQ_LIVE, true);
    expected = Header("DVR PACKET1.2", 60, 1, 0x1011);
    const auto single = Words({0, 6, 0x20});
    expected.insert(expected.end(), single.begin(), single.end());
    EXPECT_EQ(expected, LastSent());
    EXPECT_EQ(REQ_LIVE, h.Link().State());
    EXPECT_TRUE(h.Timers().IsRunning(CDvrLink::kImageWatchdogTimerId));
}

TEST_F(RequestBuilder, PlayRequestCopiesTheArchiveWordsOnEitherVersion)
{
    struct Row {
        const char* name;
        std::string_view magic;
        uint32_t dwDate, dwTime;
    } rows[] = {
        {"version 1 sends seconds values", kMagicV10, 1796515200u, 1796601599u},
        {"version 2 sends a date word and a time word", kMagicV12, MakeDateWord(2026, 12, 6),
         MakeTimeWord(13, 45, 30)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        LinkHarness local;
        local.RegisterArchive();
        local.LogIn(row.magic);
        // Start, speed 4, forward, on channel 6 (0-based): P0 carries 7.
        local.Link().SendPlay(PlayRequest{row.dwDate, row.dwTime, 0x00040100, 6}, true);
        std::vector<uint8_t> expected = Header(row.magic, 60, 1, 0x1015);
        const auto params = Words({7, row.dwDate, row.dwTime, 0x00040100});
        expected.insert(expected.end(), params.begin(), params.end());
        EXPECT_EQ(expected, local.sockets.allSent.back());
        EXPECT_EQ(REQ_PLAY, local.Link().State());
        EXPECT_EQ(REQ_LIVE, local.Link().PreviousState());
        EXPECT_EQ(0, local.Link().PlayImageCounter());
        EXPECT_TRUE(local.Timers().IsRunning(CDvrLink::kImageWatchdogTimerId));
    }
}

TEST_F(RequestBuilder, PlayStopWordStopsTheWatchdogAndArmsThePlayImageCounter)
{
    h.RegisterArchive();
    h.LogIn();
    h.Link().SendPlay(PlayRequest{}, false);
    EXPECT_FALSE(h.Timers().IsRunning(CDvrLink::kImageWatchdogTimerId));
    EXPECT_EQ(0x0101, h.Link().PlayImageCounter());
    EXPECT_EQ(0u, GetLe32(LastSent().data() + 28)) << "no archive channel selected";

    // A caller that arms gets the watchdog back after sending.
    h.Link().SendRequest(REQ_PLAY, true);
    EXPECT_TRUE(h.Timers().IsRunning(CDvrLink::kImageWatchdogTimerId));
}

TEST_F(RequestBuilder, StopWithConfirmationSetsPendingAndRetriesOnceAfter300ms)
{
    h.LogIn();
    ASSERT_TRUE(h.Timers().IsRunning(CDvrLink::kImageWatchdogTimerId));
    h.Link().SendRequest(REQ_STOP, true);
    std::vector<uint8_t> expected = Header("DVR PACKET1.2", 60, 1, 0x1013);
    const auto params = Words({1});
    expected.insert(expected.end(), params.begin(), params.end());
    EXPECT_EQ(expected, LastSent());
    EXPECT_TRUE(h.Link().StopPending());
    EXPECT_FALSE(h.Timers().IsRunning(CDvrLink::kImageWatchdogTimerId));
    EXPECT_EQ(REQ_LIVE, h.Link().State()) << "a stop leaves the state alone";

    // While the stop is pending nothing may arm the watchdog.
    h.Link().SetImageWatchdog(true);
    EXPECT_FALSE(h.Timers().IsRunning(CDvrLink::kImageWatchdogTimerId));

    const size_t nBefore = h.sockets.allSent.size();
    const int64_t nStart = h.clock.TickMs();
    h.clock.Advance(1000);
    ASSERT_EQ(nBefore + 1, h.sockets.allSent.size()) << "exactly one retry";
    EXPECT_EQ(expected, LastSent());
    EXPECT_EQ(std::vector<int64_t>{nStart + 300}, h.Timers().Firings(CDvrLink::kStopRetryTimerId));
    EXPECT_FALSE(h.Link().StopPending());
    EXPECT_FALSE(h.Timers().IsRunning(CDvrLink::kStopRetryTimerId));
}

TEST_F(RequestBuilder, KeyEmulationEventLogAndStatusRequests)
{
    h.LogIn();
    h.Link().SendKeyEmul(0x0204);
    std::vector<uint8_t> expected = Header("DVR PACKET1.2", 60, 1, 0x1043);
    auto params = Words({0x0204});
    expected.insert(expected.end(), params.begin(), params.end());
    EXPECT_EQ(expected, LastSent());
    EXPECT_EQ(REQ_LIVE, h.Link().State()) << "key emulation leaves the state alone";
    EXPECT_TRUE(h.Timers().IsRunning(CDvrLink::kImageWatchdogTimerId)) << "and arms the watchdog";

    h.Link().SendRequest(REQ_EVENT_LOG, false);
    expected = Header("DVR PACKET1.2", 60, 1, 0x1041);
    params = Words({1});
    expected.insert(expected.end(), params.begin(), params.end());
    EXPECT_EQ(expected, LastSent());
    EXPECT_EQ(REQ_EVENT_LOG, h.Link().State());

    expected = Header("DVR PACKET1.2", 60, 1, 0x1061);
    expected.resize(60, 0);
    h.Link().SendDvrStatus2();
    EXPECT_EQ(expected, LastSent());
    EXPECT_EQ(REQ_EVENT_LOG, h.Link().State()) << "the direct status request changes nothing";

    h.Link().SetImageWatchdog(false);
    h.Link().SendRequest(REQ_DVR_STATUS2, true);
    EXPECT_EQ(expected, LastSent());
    EXPECT_EQ(REQ_DVR_STATUS2, h.Link().State());
    EXPECT_FALSE(h.Timers().IsRunning(CDvrLink::kImageWatchdogTimerId)) << "never armed";
}

TEST_F(RequestBuilder, PtzDataCarriesItsLengthAndRefusesWhatTheSendBufferCannotHold)
{
    h.LogIn();
    const std::vector<uint8_t> command = Bytes({0xFF, 0x01, 0x00, 0x04, 0x20, 0x00, 0x25});
    EXPECT_TRUE(h.Link().SendPtzData(command.data(), command.size()));
    std::vector<uint8_t> expected = Header("DVR PACKET1.2", 67, 3, 0x1037);
    const auto params = Words({2, 7});
    expected.insert(expected.end(), params.begin(), params.end());
    expected.insert(expected.end(), command.begin(), command.end());
    EXPECT_EQ(expected, LastSent());

    const size_t nBefore = h.sockets.allSent.size();
    const std::vector<uint8_t> largest(964, 0x55), tooLong(965, 0x55);
    EXPECT_TRUE(h.Link().SendPtzData(largest.data(), largest.size()));
    EXPECT_EQ(1024u, LastSent().size());
    EXPECT_FALSE(h.Link().SendPtzData(tooLong.data(), tooLong.size()));
    EXPECT_EQ(nBefore + 1, h.sockets.allSent.size());
}

TEST_F(RequestBuilder, RawPacketOfLengthZeroGoesUpToTheFirstNul)
{
    h.LogIn();
    const uint8_t raw[] = {'A', 'B', 'C', 0, 'D'};
    h.Link().SendPacket(raw, 0);
    EXPECT_EQ(Bytes({'A', 'B', 'C'}), LastSent());
    h.Link().SendPacket(raw, sizeof raw);
    EXPECT_EQ(Bytes({'A', 'B', 'C', 0, 'D'}), LastSent());
}

TEST_F(RequestBuilder, NothingIsSentAndNothingChangesWithoutASocket)
{
    for (uint8_t byKind : {REQ_LOGIN, REQ_LIVE, REQ_PLAY, REQ_EVENT_LOG, REQ_STOP, REQ_KEY_EMUL,
                           REQ_DVR_STATUS2}) {
        h.Link().SendRequest(byKind, true);
    }
    h.Link().SendKeyEmul(0x201);
    h.Link().SendDvrStatus2();
    const uint8_t command[] = {1, 2, 3};
    EXPECT_FALSE(h.Link().SendPtzData(command, 3));
    h.Link().SendPacket(command, 3);

    EXPECT_EQ(0, h.sockets.nCreated);
    EXPECT_EQ(REQ_LOGIN, h.Link().State());
    EXPECT_EQ(REQ_LIVE, h.Link().PreviousState());
    EXPECT_FALSE(h.Link().StopPending());
    EXPECT_TRUE(h.Timers().Log().empty());
}

TEST_F(RequestBuilder, SocketWithoutBuffersSendsNothing)
{
    // Connect started, the TCP connection not yet standing: no buffers, no request.
    ASSERT_TRUE(h.Link().Connect("127.0.0.1", 8000));
    h.Link().SendRequest(REQ_LIVE, true);
    EXPECT_TRUE(h.sockets.allSent.empty());
    EXPECT_EQ(REQ_LOGIN, h.Link().State());
}
