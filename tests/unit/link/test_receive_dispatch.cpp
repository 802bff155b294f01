// Framing and dispatch of what the recorder sends, read by read.
#include "fakes/link_harness.h"

#include <gtest/gtest.h>

#include <optional>

using namespace ostrel;
using namespace ostrel::test;
using namespace ostrel::wire;

namespace {

struct Completed {
    uint8_t byState;
    uint8_t byChannel;
    bool bSingleRead;
    std::vector<uint8_t> payload;
};

class ReceiveDispatch : public ::testing::Test {
protected:
    void SetUp() override
    {
        h.Link().SetImageCompletion([this](const CompletedPayload& payload) {
            completed.push_back({payload.byState, payload.byHeaderChannel, payload.bSingleRead,
                                 {payload.pData, payload.pData + payload.nBytes}});
        });
        h.LogIn();
    }
    static std::vector<uint8_t> Live(size_t nPayload, uint32_t dwChannel1Based = 1)
    {
        return MakePacket(DATATYPE_LIVE_IMAGE, {0, 0, 0, dwChannel1Based}, NumberedPayload(nPayload));
    }
    // The payload sizes and single-read flags of what completed, as one text.
    std::string Summary()
    {
        std::string text;
        for (const Completed& c : completed) {
            const bool bIntact = c.payload == NumberedPayload(c.payload.size());
            text += std::to_string(c.byChannel) + ":" + std::to_string(c.payload.size()) + (c.bSingleRead ? "s" : "")
                  + (bIntact ? " " : "! ");
        }
        return text;
    }

    LinkHarness h;
    std::vector<Completed> completed;
};

} // namespace

// Garbage, pictures cut short and untrusted headers are skipped without allocating; reads ask for
// at most 9129 bytes and the image buffer grows once, to the largest picture.
TEST_F(ReceiveDispatch, PacketsCutCoalescedOrAmidGarbageArriveWithTheirSingleReadFlagAndBadOnesAreSkipped)
{
    struct Row {
        std::string name;
        std::vector<std::vector<uint8_t>> reads;
        const char* pszExpected; // channel:size, "s" when it came in the read of its header
    };
    const auto stream = Concat({Live(6000, 1), Live(7000, 2), Live(500, 3)});
    std::vector<Row> rows = {
        {"coalesced", {Concat({Live(3000, 1), MakePacket(DATATYPE_ALARM_EVENT, {3, 0}), Live(4000, 2)})},
         "0:3000s 1:4000s "},
        // Cut inside the first payload, inside the second header, and inside the third magic.
        {"cut at every kind of place", SplitAt(stream, {2500, 6060 + 20, 6060 + 7060 + 4}), "0:6000 1:7000 2:500 "},
        // P3 counts from 1; 0 is taken as channel 0, and an absurd channel stays absurd.
        {"channels 0 and 100000", {Live(3100, 0), Live(3100, 100000)}, "0:3100s 255:3100s "},
    };
    // Garbage before and between packets, a magic straddling two reads, a dangling "DV" at the end.
    const std::vector<uint8_t> garbage = {'D', 'V', 'R', ' ', 'X', 0, 0xFF, 0xD8, 'D', 'V', 'R'};
    const size_t nSecondMagic = garbage.size() + 3260 + 2 * garbage.size();
    auto reads = SplitAt(Concat({garbage, Live(3200, 1), garbage, garbage, Live(3300, 2), {'D', 'V'}}), {5, nSecondMagic + 6});
    reads.push_back(Live(3400, 3));
    rows.push_back({"garbage", reads, "0:3200s 1:3300 2:3400s "});
    // A recorder that cut a picture short and went on with the next packet: the read that begins
    // with the new header starts it, however few bytes of the old payload were still outstanding.
    // With fewer than a magic's length outstanding, a read cut to those bytes used to swallow the
    // start of the header and lose the packet.
    for (size_t nOutstanding : {1u, 5u, 9u, 10u, 11u, 3000u}) {
        const auto cut = Live(5000, 1);
        auto cutReads = SplitAt(std::vector<uint8_t>(cut.begin(), cut.end() - static_cast<ptrdiff_t>(nOutstanding)), {2000});
        cutReads.push_back(Live(4000, 2));
        cutReads.push_back(Live(3500, 3));
        rows.push_back({"cut short, " + std::to_string(nOutstanding) + " outstanding", cutReads, "1:4000s 2:3500s "});
    }
    const std::pair<uint32_t, uint32_t> untrusted[] = {
        {59, PACKET_PAYLOAD}, {kMaxPacketBytes + 1, PACKET_PAYLOAD}, {0xFFFFFFFFu, PACKET_PAYLOAD}, {4060, 0}, {4060, 4}};
    for (const auto& [dwLength, dwPacketType] : untrusted) {
        auto bad = Live(4000);
        PutLe32(bad.data() + 16, dwLength);
        PutLe32(bad.data() + 20, dwPacketType);
        rows.push_back({"length " + std::to_string(dwLength) + ", type " + std::to_string(dwPacketType),
                        {bad, Concat({bad, Live(3500, 4)})}, "3:3500s "});
    }
    // Last, as it grows the image buffer.
    rows.push_back({"a long one, then the next in a read of its own", {Concat({Live(30000, 1), Live(3000, 2)})},
                    "0:30000 1:3000s "});
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        completed.clear();
        h.Socket().Deliver(row.reads);
        EXPECT_EQ(row.pszExpected, Summary());
        EXPECT_EQ(REQ_LIVE, completed.at(0).byState);
        EXPECT_EQ(0u, h.Link().Probe().nExpected) << "the reassembly is emptied afterwards";
        EXPECT_TRUE(&row == &rows.back() || h.Link().Probe().nImageBufferCapacity == CDvrLink::kReceiveBytes);
    }
    const auto& limits = h.Socket().receiveLimits;
    EXPECT_EQ(9129u, *std::max_element(limits.begin(), limits.end()));
    EXPECT_EQ(30001u, h.Link().Probe().nImageBufferCapacity);
    h.Socket().Deliver(SplitAt(Live(15000), {9129}));
    EXPECT_EQ(30001u, h.Link().Probe().nImageBufferCapacity) << "smaller pictures reuse it";

    const size_t nLargest = 8u * 1024u * 1024u - 60u; // 8 MiB less a header and its parameters
    const auto packet = Live(nLargest);
    reads.clear();
    for (size_t nPos = 0; nPos < packet.size(); nPos += 65536)
        reads.emplace_back(packet.begin() + static_cast<std::ptrdiff_t>(nPos),
                           packet.begin() + static_cast<std::ptrdiff_t>(std::min(packet.size(), nPos + 65536)));
    h.Socket().Deliver(reads);
    EXPECT_EQ(nLargest, completed.back().payload.size()) << "the largest accepted packet";
    EXPECT_EQ(nLargest + 1, h.Link().Probe().nImageBufferCapacity);
}

TEST_F(ReceiveDispatch, AlarmNoticesNeedAlertModeAndAChannelFromOneToFour)
{
    struct Row {
        const char* name;
        bool bAlert;
        uint32_t dwP0, dwP1;
        std::optional<AlarmWord> shown; // channel, motion, loss, alarm
    } rows[] = {
        {"alert mode off ignores every notice", false, 2, 0x01000100, {}},
        {"channel 5 is ignored", true, 5, 0x01000100, {}},
        {"channel 2, motion 1, loss 0, alarm 1", true, 2, 0x01000100, AlarmWord{2, 1, 0, 1}},
        {"low byte of P1 is not taken", true, 4, 0xFFFFFFFF, AlarmWord{4, 255, 255, 255}},
        {"loss and alarm bytes apart", true, 0x301, 0x7F2A0000, AlarmWord{1, 0, 0x2A, 0x7F}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        h.view.bAlertMode = row.bAlert;
        h.view.statuses.clear();
        const int nLamps = h.view.nLampToggles;
        // A notice and a picture in one read: one lamp toggle per read.
        h.Socket().Deliver(Concat({MakePacket(DATATYPE_ALARM_EVENT, {row.dwP0, row.dwP1}), Live(3100)}));
        EXPECT_EQ(nLamps + 1, h.view.nLampToggles);
        EXPECT_EQ(row.shown ? std::vector<uint8_t>{7} : std::vector<uint8_t>{}, h.view.statuses);
        if (row.shown) {
            EXPECT_EQ(*row.shown, h.view.statusEvents.back().alarm);
        }
    }
}

TEST_F(ReceiveDispatch, StopReplyConfirmsOnlyWithP0OneAndPicturesWaitUntilThen)
{
    h.Link().SendRequest(REQ_STOP, true);
    EXPECT_EQ(REQ_LIVE, h.Link().Probe().byState) << "a stop leaves the state alone";
    h.Link().SetImageWatchdog(true);
    EXPECT_FALSE(h.Timers().IsRunning(CDvrLink::kImageWatchdogTimerId)) << "nothing arms the watchdog while the stop is pending";
    const int nLamps = h.view.nLampToggles;
    h.Socket().Deliver(SplitAt(Live(9000), {4000}));
    EXPECT_TRUE(completed.empty()) << "dropped while the stop is pending";
    EXPECT_EQ(nLamps, h.view.nLampToggles) << "without activity";
    h.Socket().Deliver(MakePacket(DATATYPE_STOP_REPLY, {0}));
    EXPECT_TRUE(h.Link().Probe().bStopPending);
    const int64_t tStop = h.SentAt(DATATYPE_STOP).back();
    h.clock.Advance(1000);
    EXPECT_EQ((std::vector<int64_t>{tStop, tStop + 300}), h.SentAt(DATATYPE_STOP)) << "one retry after 300 ms";
    EXPECT_EQ(RequestBytes(0x1013, {1}), h.sockets.allSent.back());
    EXPECT_FALSE(h.Link().Probe().bStopPending) << "the retry ends the wait";

    h.Link().SendRequest(REQ_STOP, true);
    h.Socket().Deliver(MakePacket(DATATYPE_STOP_REPLY, {1}));
    EXPECT_FALSE(h.Link().Probe().bStopPending);
    h.clock.Advance(1000);
    EXPECT_EQ(3u, h.SentAt(DATATYPE_STOP).size()) << "no retry after a confirmation";
}

TEST_F(ReceiveDispatch, PlayImagesOnBothVersionsAndTheTwentiethAfterAPlayStop)
{
    for (std::string_view magic : {kMagicV10, kMagicV12}) {
        SCOPED_TRACE(std::string(magic));
        LinkHarness local;
        std::vector<uint8_t> channels;
        local.Link().SetImageCompletion([&](const CompletedPayload& payload) { channels.push_back(payload.byHeaderChannel); });
        local.RegisterArchive();
        local.archive.bActive = true;
        local.archive.wPlayState = 1;
        local.LogIn(magic);
        local.Link().SendPlay(PlayRequest{0, 0, 0x00010100}, true);

        const bool bV1 = magic == kMagicV10;
        const uint32_t dwP0 = bV1 ? 5u : (6u << 24 | 2026u << 8 | 12u);
        local.Socket().Deliver(MakePacket(DATATYPE_PLAY_IMAGE, {dwP0, 0x06101010, 0, 1, 420000},
                                          NumberedPayload(3200), magic));
        EXPECT_EQ(std::vector<uint8_t>{5}, channels);
        if (bV1) {
            EXPECT_EQ(std::vector<uint32_t>{0x06101010}, local.archive.playSeconds);
            EXPECT_TRUE(local.archive.playPositions.empty());
        } else {
            EXPECT_EQ((std::vector<uint32_t>{dwP0, 0x06101010}), local.archive.playPacked.at(0));
            EXPECT_EQ(std::vector<uint32_t>{420000}, local.archive.playPositions);
        }
        EXPECT_TRUE(local.Timers().IsRunning(CDvrLink::kImageWatchdogTimerId)) << "playing";

        // A play image without a picture carries a status code for the dialog.
        local.Socket().Deliver(MakePacket(DATATYPE_PLAY_IMAGE, {dwP0, 0, 0, 0x0302}, {}, magic));
        EXPECT_EQ(std::vector<uint8_t>{2}, local.archive.playResults);
        EXPECT_EQ(1u, channels.size());
    }

    // After a play stop, the twentieth play image is not shown and starts the reconnection.
    h.RegisterArchive();
    h.archive.bActive = true;
    h.Link().SendPlay(PlayRequest{}, false);
    const auto play = MakePacket(DATATYPE_PLAY_IMAGE, {0x01000000 | (2026 << 8) | 12, 0x06101010, 0, 1},
                                 NumberedPayload(3200));
    for (int i = 1; i <= 19; ++i)
        h.Socket().Deliver(play);
    EXPECT_EQ(19u, completed.size());
    EXPECT_FALSE(h.Timers().IsRunning(CDvrLink::kReconnectTimerId));
    h.Socket().Deliver(play);
    EXPECT_EQ(19u, completed.size());
    EXPECT_TRUE(h.Timers().IsRunning(CDvrLink::kReconnectTimerId));
    EXPECT_FALSE(h.Link().Probe().bCountingPlayImages);
}

TEST_F(ReceiveDispatch, RepliesWithoutPicturesReachTheirListenersAndReceivingGoesOn)
{
    // Before the archive registers, the status reply's range goes nowhere.
    h.Socket().Deliver(MakePacket(DATATYPE_DVR_STATUS2_REPLY, {0, 0, 11, 22, 33, 44}));
    h.RegisterArchive();
    h.Socket().Deliver(MakePacket(DATATYPE_DVR_STATUS2_REPLY, {0, 0, 11, 22, 33, 44}));
    EXPECT_EQ((std::vector<std::vector<uint32_t>>{{11, 22, 33, 44}}), h.archive.ranges);

    const auto reply = MakePacket(DATATYPE_PTZ_DATA_REPLY, {});
    h.Socket().Deliver(Concat({reply, reply, reply, Live(3100, 7)}));
    EXPECT_EQ(std::vector<std::string>(3, "Direct Pantilt Camera Control"), h.notifier.notices);
    EXPECT_TRUE(h.notifier.messages.empty()) << "never a blocking box";
    EXPECT_EQ("6:3100s ", Summary());

    // Unknown data types are accepted and ignored.
    h.Socket().Deliver(Concat({MakePacket(0x7777, {}), Live(3100, 8)}));
    EXPECT_EQ("6:3100s 7:3100s ", Summary());

    // An event log that cannot be written is dropped without a word.
    h.files.bFailWrites = true;
    h.Link().SendRequest(REQ_EVENT_LOG, false);
    h.Socket().Deliver(MakePacket(DATATYPE_EVENT_LOG, {}, NumberedPayload(100)));
    EXPECT_EQ(1, h.files.nWriteAttempts);
    EXPECT_TRUE(h.notifier.messages.empty() && h.notifier.notices.size() == 3u);
    EXPECT_EQ(REQ_LIVE, h.Link().Probe().byState);
    EXPECT_EQ(1, h.archive.nAlarmRefreshes);
}
