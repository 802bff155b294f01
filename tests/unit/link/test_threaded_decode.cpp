// Pictures decoded on threads come back in the order they arrived, and are shown only when the
// link's state at that moment still allows it. The threads are real; the user-interface thread
// is the test's, which decides when the results come back (the fake wake-up).
#include "fakes/fake_ui_wakeup.h"
#include "fakes/link_harness.h"
#include "fakes/test_pictures.h"
#include "channel_code_painter.h"
#include "jpeg_encoder.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

using namespace ostrel;
using namespace ostrel::test;
using namespace ostrel::wire;
using ostrel::testing::FlatJpeg;

namespace {

// A grey 640 x 240 field with the channel code (and, for an odd field, the index pattern)
// painted in, drawn without QPainter, whose own threads ThreadSanitizer cannot see into.
std::vector<uint8_t> CameraJpeg(int nChannel, bool bOddField)
{
    std::vector<uint8_t> pixels(640u * 240u * 4u, 0x50);
    ostrel::dvrsim::CChannelCodePainter::Paint(pixels.data(), 640, 640 * 4, 240, nChannel, bOddField, false);
    std::vector<uint8_t> jpeg;
    ostrel::dvrsim::CJpegEncoder().Encode(pixels.data(), 640, 640 * 4, 240, 80, ostrel::dvrsim::JpegSubsampling::S420, jpeg);
    return jpeg;
}

std::vector<uint8_t> LivePacket(const std::vector<uint8_t>& jpeg, int nChannel)
{
    return MakePacket(DATATYPE_LIVE_IMAGE, {0, 0, 0, static_cast<uint32_t>(nChannel + 1)}, jpeg);
}

std::vector<uint8_t> PlayPacket(const std::vector<uint8_t>& jpeg, int nChannel)
{
    const uint32_t dwP0 = static_cast<uint32_t>(nChannel + 1) << 24 | 2026u << 8 | 12u;
    return MakePacket(DATATYPE_PLAY_IMAGE, {dwP0, 0x110D2D0A, 0, 1, 5000}, jpeg);
}

class ThreadedDecode : public ::testing::Test {
protected:
    void SetUp() override
    {
        h.RegisterArchive();
        h.Link().SetDecodeThreads(2, &wakeups, 0); // every picture to the threads
        ASSERT_EQ(2, h.Link().DecodeThreads());
    }
    // Two reads: the one-read fragment rule never applies.
    void Send(const std::vector<uint8_t>& packet) { h.Socket().Deliver(SplitAt(packet, {packet.size() / 2})); }
    // Waits until the threads have decoded everything submitted, taking nothing back.
    void WaitDecoded()
    {
        for (;;) {
            const uint64_t nRings = wakeups.Rings();
            if (h.Link().Pictures().Undecoded() == 0)
                return;
            ASSERT_TRUE(wakeups.WaitForRingAfter(nRings)) << "a decode never finished";
        }
    }
    // Waits for the threads and runs the wake-ups until nothing is outstanding: reading
    // held for a full backlog goes on as results come back.
    void Drain()
    {
        for (int nRound = 0; nRound < 1000; ++nRound) {
            WaitDecoded();
            wakeups.RunRung();
            if (h.Link().Pictures().Outstanding() == 0 && (!h.sockets.Last() || h.Socket().Unread() == 0))
                return;
        }
        FAIL() << "the stream never drained: " << h.Link().Pictures().Outstanding() << " outstanding, "
               << h.Link().Pictures().Undecoded() << " undecoded, " << h.Socket().Unread() << " chunks unread";
    }

    FakeUiWakeupFactory wakeups;
    LinkHarness h;
};

} // namespace

TEST_F(ThreadedDecode, EveryCameraLandsInItsOwnChannelInArrivalOrderAndWrongCodesAreRefused)
{
    h.LogIn();
    for (int nChannel = 0; nChannel < 16; ++nChannel)
        Send(LivePacket(CameraJpeg(nChannel, nChannel % 2 == 1), nChannel));
    EXPECT_TRUE(h.view.drawn.empty()) << "nothing is shown before the user-interface thread takes it back";
    // A camera sending another camera's code is refused on a thread as well.
    Send(LivePacket(CameraJpeg(6, true), 5));
    Drain();
    ASSERT_EQ(16u, h.view.drawn.size());
    for (int nChannel = 0; nChannel < 16; ++nChannel) {
        SCOPED_TRACE(nChannel);
        EXPECT_EQ(nChannel, h.view.drawn[static_cast<size_t>(nChannel)]) << "in arrival order";
        const Picture& picture = h.view.pictures[nChannel];
        ASSERT_EQ(640u * 3u * 240u, picture.Header().biSizeImage);
        EXPECT_EQ(nChannel % 2 == 1 ? 0 : 1, picture.FieldAlign()) << "odd fields carry the index pattern";
        // Bottom-up rows: the last stored row but one is row 1, where the code block of bit d
        // (x 474-503) is white exactly for the odd channels.
        const uint8_t* pRow1 = picture.Bits() + static_cast<size_t>(240 - 2) * 640u * 3u;
        EXPECT_EQ(nChannel % 2 == 1, pRow1[3 * 490] > 200 && pRow1[3 * 490 + 2] > 200);
    }
    EXPECT_EQ(PictureCompletion::kRejected, h.Link().Pictures().DecodeChannel());
}

TEST_F(ThreadedDecode, EveryPictureOfAChannelIsShownInOrderWithSeveralInWorkAtOnce)
{
    h.LogIn(kMagicV12, 8); // the header names the channel
    std::vector<std::vector<int>> shown(3);
    h.view.onPicture = [&](uint8_t byChannel, const Picture& picture) {
        shown.at(byChannel).push_back(picture.Bits()[0]);
    };
    const auto send = [&](int nChannel, int nLevel) {
        const auto byLevel = static_cast<uint8_t>(nLevel); // flat pictures told apart by their grey level
        Send(LivePacket(FlatJpeg(64, 48, byLevel, byLevel, byLevel), nChannel));
    };
    // Two pictures of one channel, both in work before either comes back: the later one does
    // not push the earlier one out.
    send(0, 20);
    send(0, 40);
    WaitDecoded();
    EXPECT_EQ(2u, h.Link().Pictures().Outstanding());
    wakeups.RunRung();
    ASSERT_EQ(2u, shown[0].size());
    EXPECT_NEAR(20, shown[0][0], 2);
    EXPECT_NEAR(40, shown[0][1], 2);

    // Pictures of three channels, each numbered by its grey level, faster than a decode; on
    // two threads, then on one with this thread decoding a waiting picture at each turn.
    for (const int nThreads : {2, 1}) {
        SCOPED_TRACE(nThreads);
        h.Link().SetDecodeThreads(nThreads, &wakeups, 0);
        shown.assign(3, {});
        std::vector<std::vector<int>> sent(3);
        for (int i = 0; i < 60; ++i) {
            const int nChannel = i % 3;
            const int nLevel = 8 + 12 * (i / 3) + 4 * nChannel; // rises by 12 per channel, never repeats
            sent[static_cast<size_t>(nChannel)].push_back(nLevel);
            send(nChannel, nLevel);
            if (i % 7 == 0 || nThreads == 1)
                wakeups.RunRung(); // results come back now and then, as the event loop turns
        }
        Drain();
        for (size_t c = 0; c < 3; ++c) {
            SCOPED_TRACE(c);
            ASSERT_EQ(sent[c].size(), shown[c].size()) << "reading waits for the threads; nothing is dropped";
            for (size_t i = 0; i < shown[c].size(); ++i)
                EXPECT_NEAR(sent[c][i], shown[c][i], 2) << "in the order sent";
        }
        EXPECT_EQ(0u, h.Link().Pictures().DroppedUnseen());
    }
}

TEST_F(ThreadedDecode, ALightStreamIsDecodedAtOnceABacklogOnTheThreadsAndASearchCutsABatch)
{
    h.LogIn();
    const std::vector<uint8_t> one = LivePacket(CameraJpeg(1, false), 1);
    h.Link().SetDecodeThreads(2, &wakeups, one.size()); // inline while less than a picture waits
    Send(one);
    EXPECT_EQ(std::vector<uint8_t>{1}, h.view.drawn) << "nothing on its way, nothing behind it: decoded here";
    EXPECT_EQ(0u, h.Link().Pictures().Outstanding());

    // Four pictures in the socket at once: each finds the rest waiting or a picture on its way,
    // so all four go to the threads and come back in order.
    std::vector<std::vector<uint8_t>> chunks;
    for (int nChannel : {2, 3, 4, 5}) {
        const std::vector<uint8_t> packet = LivePacket(CameraJpeg(nChannel, false), nChannel);
        for (auto& chunk : SplitAt(packet, {packet.size() / 2}))
            chunks.push_back(std::move(chunk));
    }
    h.Socket().Deliver(chunks);
    EXPECT_EQ(std::vector<uint8_t>{1}, h.view.drawn) << "the batch waits for the threads";
    Drain();
    EXPECT_EQ((std::vector<uint8_t>{1, 2, 3, 4, 5}), h.view.drawn);
    Send(LivePacket(CameraJpeg(6, false), 6));
    EXPECT_EQ(6, h.view.drawn.back()) << "caught up: decoded here again";

    // A batch of play pictures, and a search begun while they are in work: none of them is
    // taken for its answer; the first complete after it is.
    h.view.dwLiveChMask = 0;
    h.archive.bActive = true;
    h.Link().SendPlay(PlayRequest{0, 0, 0x00010100}, true);
    chunks.clear();
    for (int nChannel : {7, 8, 9}) {
        const std::vector<uint8_t> packet = PlayPacket(CameraJpeg(nChannel, true), nChannel);
        for (auto& chunk : SplitAt(packet, {packet.size() / 2}))
            chunks.push_back(std::move(chunk));
    }
    h.Socket().Deliver(chunks);
    WaitDecoded();
    h.archive.bSearching = true;
    wakeups.RunRung();
    EXPECT_TRUE(h.archive.drawn.empty());
    Send(PlayPacket(CameraJpeg(10, true), 10));
    Drain();
    EXPECT_EQ(std::vector<uint8_t>{10}, h.archive.drawn);
}

// Each picture is decoded, then something changes before the user-interface thread takes it back.
TEST_F(ThreadedDecode, WhatChangesWhileAPictureDecodesDecidesWhetherItIsDrawn)
{
    h.LogIn();
    const auto decodedThen = [&](std::initializer_list<std::vector<uint8_t>> packets, const std::function<void()>& fnChange) {
        for (const auto& packet : packets)
            Send(packet);
        WaitDecoded();
        fnChange();
        wakeups.RunRung();
    };
    const auto live = [](int nChannel) { return LivePacket(CameraJpeg(nChannel, false), nChannel); };
    decodedThen({live(3), live(5)}, [&] { h.view.dwLiveChMask = 1u << 3; }); // a layout without channel 5
    EXPECT_EQ(std::vector<uint8_t>{3}, h.view.drawn);
    h.view.dwLiveChMask = 0xFFFF;
    decodedThen({live(7)}, [&] { h.archive.bActive = true; });
    EXPECT_EQ(std::vector<uint8_t>{3}, h.view.drawn) << "not drawn behind the archive";
    h.Link().SendPlay(PlayRequest{0, 0, 0x00010100}, true);
    decodedThen({PlayPacket(CameraJpeg(11, true), 11)}, [&] { h.archive.bActive = false; });
    EXPECT_EQ(0, h.archive.nPlayImages) << "play pictures do not reach a closed archive";

    h.Link().SendRequest(REQ_LIVE, true);
    decodedThen({live(1), live(2)}, [&] { h.DisconnectButton(); });
    decodedThen({}, [&] { h.LogIn(); });
    EXPECT_EQ(std::vector<uint8_t>{3}, h.view.drawn) << "decoded for a connection that is gone";
    decodedThen({live(4)}, [&] {
        h.DisconnectButton();
        h.LogIn();
    });
    Send(LivePacket(CameraJpeg(9, true), 9));
    Drain();
    EXPECT_EQ((std::vector<uint8_t>{3, 9}), h.view.drawn) << "the new connection's pictures only";
    decodedThen({live(6)}, [&] { h.Link().SendRequest(REQ_STOP, true); });
    EXPECT_TRUE(h.Link().Probe().bStopPending);
    EXPECT_EQ((std::vector<uint8_t>{3, 9}), h.view.drawn) << "nothing once a stop is pending";
}

TEST_F(ThreadedDecode, BackToOneThreadAndShutdownWithDecodesInFlight)
{
    h.LogIn();
    for (int nChannel = 0; nChannel < 16; ++nChannel)
        Send(LivePacket(CameraJpeg(nChannel, false), nChannel));
    // Threads stopped with work outstanding: what they did is dropped; what still waited in
    // the socket for them, and the next picture, are decoded on this thread at once.
    const size_t nUnread = h.Socket().Unread();
    h.Link().SetDecodeThreads(0, &wakeups);
    EXPECT_EQ(0, h.Link().DecodeThreads());
    EXPECT_EQ(0u, wakeups.Count());
    EXPECT_EQ(0u, h.Socket().Unread());
    EXPECT_LE(h.view.drawn.size(), nUnread / 2) << "only pictures read after the threads stopped";
    Send(LivePacket(CameraJpeg(8, true), 8));
    ASSERT_FALSE(h.view.drawn.empty());
    EXPECT_EQ(8, h.view.drawn.back());

    // Threads again, and the link destroyed mid-stream: a held picture stays good.
    h.Link().SetDecodeThreads(2, &wakeups, 0);
    for (int nChannel = 0; nChannel < 16; ++nChannel)
        Send(LivePacket(CameraJpeg(nChannel, nChannel % 2 == 1), nChannel));
    const Picture held = h.view.pictures[8];
    h.pLink.reset();
    EXPECT_EQ(0u, wakeups.Count());
    ASSERT_TRUE(held);
    EXPECT_EQ(640, held.Header().biWidth);
}

namespace {

using Bytes = std::vector<uint8_t>;

// Holds the saver's first write until the test opens the gate, and keeps every write.
struct WriteGate {
    explicit WriteGate(FakeFileStore& rFiles)
    {
        rFiles.onWriteWhole = [this](const uint8_t* pData, size_t nBytes) {
            std::unique_lock<std::mutex> lock(mutex);
            writes.emplace_back(pData, pData + nBytes);
            bOffThread = bOffThread && std::this_thread::get_id() != testThread;
            changed.notify_all();
            changed.wait(lock, [this] { return bOpen; });
        };
    }
    void WaitForWrites(size_t nCount)
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return writes.size() >= nCount; });
    }
    void Open()
    {
        const std::lock_guard<std::mutex> lock(mutex);
        bOpen = true;
        changed.notify_all();
    }

    std::mutex mutex;
    std::condition_variable changed;
    bool bOpen = false;
    std::vector<Bytes> writes; // read by the test once the saver is done
    bool bOffThread = true;
    const std::thread::id testThread = std::this_thread::get_id();
};

} // namespace

TEST(EventLogSaver, WritesOffThisThreadOnlyTheNewestWaitingLogAndTellsOncePerWrite)
{
    FakeFileStore files;
    WriteGate gate(files);
    FakeUiWakeupFactory wakeups;
    int nSaved = 0;
    {
        CEventLogSaver saver(files, "AlarmEvent.am", wakeups, [&] { ++nSaved; });
        Bytes first(100, 1), second(50, 2), third(30, 3);
        saver.Save(first, 100);
        gate.WaitForWrites(1); // the first is being written and holds the thread
        saver.Save(second, 50);
        saver.Save(third, 20);
        EXPECT_EQ(Bytes(50, 2), third) << "the log that waited comes back, unwritten";
        EXPECT_TRUE(first.empty());
        gate.Open();
        ASSERT_TRUE(wakeups.WaitForRing());
        EXPECT_EQ(0, nSaved) << "never inside the write";
        wakeups.RunRung();
        EXPECT_EQ(1, nSaved) << "two writes ended, the list reloads once";
        Bytes last(10, 4);
        saver.Save(last, 10); // still waiting when the saver goes: written all the same
    }
    ASSERT_EQ(3u, gate.writes.size());
    EXPECT_EQ(Bytes(100, 1), gate.writes[0]);
    EXPECT_EQ(Bytes(20, 3), gate.writes[1]);
    EXPECT_EQ(Bytes(10, 4), files.files["AlarmEvent.am"]);
    EXPECT_TRUE(gate.bOffThread);
    EXPECT_EQ(0u, wakeups.Count());
}

TEST_F(ThreadedDecode, EventLogOnTheSaverThreadRefreshesTheListWhenItIsOnDisk)
{
    h.Link().SaveEventLogsOnThread(&wakeups);
    h.LogIn();
    h.Link().SendRequest(REQ_EVENT_LOG, false);
    const std::vector<uint8_t> log = {3, 0x28, 9, 6, 30, 14, 5, 9, 0, 0, 4, 0x02, 28, 12, 1, 0, 0, 0, 0, 0};
    Send(MakePacket(DATATYPE_EVENT_LOG, {}, log));
    EXPECT_EQ(REQ_LIVE, h.Link().Probe().byState) << "back to what was streaming, at once";
    EXPECT_EQ(0, h.archive.nAlarmRefreshes);
    ASSERT_TRUE(wakeups.WaitForRing());
    wakeups.RunRung();
    EXPECT_EQ(1, h.archive.nAlarmRefreshes);
    EXPECT_EQ(log, h.files.files["AlarmEvent.am"]);
}
