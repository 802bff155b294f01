// A complete picture payload becomes a channel's picture, or is dropped and the channel keeps
// its previous one.
#include "fakes/link_harness.h"
#include "support/counting_new.h"
#include "fakes/test_pictures.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>

using namespace ostrel;
using namespace ostrel::test;
using namespace ostrel::wire;
using ostrel::testing::CameraJpeg;
using ostrel::testing::FlatJpeg;

using ostrel::test::AllocationCount;

namespace {

std::vector<uint8_t> LivePacket(const std::vector<uint8_t>& jpeg, uint32_t dwChannel1Based)
{
    return MakePacket(DATATYPE_LIVE_IMAGE, {0, 0, 0, dwChannel1Based}, jpeg);
}

// Delivered in two reads, so the 3072-byte rule for single reads does not apply.
void DeliverSplit(LinkHarness& h, const std::vector<uint8_t>& packet)
{
    h.Socket().Deliver(SplitAt(packet, {packet.size() / 2}));
}

class PictureCompletionTest : public ::testing::Test {
protected:
    void LogIn(uint32_t dwChannelInfo = 16) { h.LogIn(kMagicV12, dwChannelInfo); }
    const Picture& Slot(int nChannel) { return h.view.pictures[nChannel]; }

    LinkHarness h;
};

} // namespace

TEST_F(PictureCompletionTest, EachCameraLandsInItsOwnSlotAsBottomUpBgr)
{
    LogIn();
    for (int nChannel = 0; nChannel < 16; ++nChannel)
        h.Socket().Deliver(LivePacket(CameraJpeg(nChannel, nChannel % 2 == 1), static_cast<uint32_t>(nChannel + 1)));
    ASSERT_EQ(16u, h.view.drawn.size());
    for (int nChannel = 0; nChannel < 16; ++nChannel) {
        SCOPED_TRACE(nChannel);
        EXPECT_EQ(nChannel, h.view.drawn[static_cast<size_t>(nChannel)]);
        const Picture& slot = Slot(nChannel);
        ASSERT_TRUE(slot);
        EXPECT_EQ(640, slot.Header().biWidth);
        EXPECT_EQ(240, slot.Header().biHeight);
        EXPECT_EQ(24, slot.Header().biBitCount);
        EXPECT_EQ(640u * 3u * 240u, slot.Header().biSizeImage);
        EXPECT_EQ(nChannel % 2 == 1 ? 0 : 1, slot.FieldAlign()) << "odd fields carry the index pattern";
        // Row 1 from the top is the last stored row: the code block of bit d (x 474-503) is
        // white exactly for the odd channels.
        const uint8_t* pRow1 = slot.Bits() + static_cast<size_t>(240 - 1 - 1) * 640u * 3u;
        EXPECT_EQ(nChannel % 2 == 1, pRow1[3 * 490] > 200 && pRow1[3 * 490 + 1] > 200 && pRow1[3 * 490 + 2] > 200);
    }
    EXPECT_NE(Slot(0).Bits(), Slot(1).Bits());
    EXPECT_NE(0, std::memcmp(Slot(0).Bits(), Slot(1).Bits(), Slot(0).Header().biSizeImage));
}

TEST_F(PictureCompletionTest, MismatchedChannelIsRejectedAndThePreviousPictureKept)
{
    LogIn();
    h.Socket().Deliver(LivePacket(CameraJpeg(4, true), 5));
    ASSERT_EQ(std::vector<uint8_t>{4}, h.view.drawn);
    const std::vector<uint8_t> before(Slot(4).Bits(), Slot(4).Bits() + Slot(4).Header().biSizeImage);

    h.clock.Advance(1000);
    h.Socket().Deliver(LivePacket(CameraJpeg(6, true, ostrel::dvrsim::JpegSubsampling::S420, 640, 240,
                                             ostrel::testing::TestMomentMs() + 5000), 5));
    EXPECT_EQ(std::vector<uint8_t>{4}, h.view.drawn) << "not drawn";
    EXPECT_EQ(PictureCompletion::kRejected, h.Link().Pictures().DecodeChannel());
    EXPECT_EQ(0, std::memcmp(before.data(), Slot(4).Bits(), before.size())) << "previous picture kept";
    EXPECT_FALSE(Slot(6));
}

TEST_F(PictureCompletionTest, PictureOutsideTheLiveMaskIsDroppedBeforeDecoding)
{
    LogIn();
    h.view.dwLiveChMask = 1u << 2;
    h.Socket().Deliver(LivePacket(CameraJpeg(2, false), 3));
    ASSERT_EQ(2, h.Link().Pictures().DecodeChannel());
    h.Socket().Deliver(LivePacket(CameraJpeg(3, false), 4));
    EXPECT_EQ(2, h.Link().Pictures().DecodeChannel()) << "the decoder never saw it";
    EXPECT_EQ(std::vector<uint8_t>{2}, h.view.drawn);
}

TEST_F(PictureCompletionTest, SmallPictureInOneReadIsNeverShown)
{
    LogIn();
    const std::vector<uint8_t> small = FlatJpeg(64, 48, 0, 0, 0);
    ASSERT_LT(small.size(), PictureCompletion::kMinSingleReadBytes);
    h.Socket().Deliver(LivePacket(small, 1));
    EXPECT_TRUE(h.view.drawn.empty());
    DeliverSplit(h, LivePacket(small, 1));
    EXPECT_EQ(std::vector<uint8_t>{0}, h.view.drawn) << "the same picture over two reads is shown";
}

TEST_F(PictureCompletionTest, HeaderChannelModeTrustsTheHeaderAndKeepsTheFieldFlag)
{
    LogIn(8);
    ASSERT_TRUE(h.Link().HeaderChannelMode());
    // The decoder's field flag stays whatever the last code-reading decode left (even at start).
    h.Socket().Deliver(LivePacket(CameraJpeg(0, true), 10));
    ASSERT_EQ(std::vector<uint8_t>{9}, h.view.drawn) << "the painted code says 0; the header wins";
    EXPECT_EQ(1, Slot(9).FieldAlign());

    h.Socket().Deliver(LivePacket(CameraJpeg(0, true), 17));
    EXPECT_EQ(std::vector<uint8_t>{9}, h.view.drawn) << "channel 16 has no slot";
    h.Socket().Deliver(LivePacket(CameraJpeg(0, true), 300));
    EXPECT_EQ(std::vector<uint8_t>{9}, h.view.drawn);
}

TEST_F(PictureCompletionTest, DamagedPictureIsNeverShownEvenWhenTheHeaderNamesTheChannel)
{
    for (uint32_t dwInfo : {16u, 8u}) {
        SCOPED_TRACE(dwInfo);
        LinkHarness local;
        local.LogIn(kMagicV12, dwInfo);
        std::vector<uint8_t> jpeg = CameraJpeg(0, false);
        local.Socket().Deliver(LivePacket(jpeg, 1));
        ASSERT_EQ(std::vector<uint8_t>{0}, local.view.drawn);
        const Picture& shown = local.view.pictures[0];
        const std::vector<uint8_t> before(shown.Bits(), shown.Bits() + shown.Header().biSizeImage);
        std::vector<uint8_t> broken = jpeg;
        broken.resize(broken.size() / 3); // the rest never came
        std::vector<uint8_t> garbage(5000, 0x5A);
        for (const auto& bad : {broken, garbage}) {
            local.Socket().Deliver(LivePacket(bad, 1));
            EXPECT_EQ(std::vector<uint8_t>{0}, local.view.drawn);
            EXPECT_EQ(0, std::memcmp(before.data(), shown.Bits(), before.size()));
        }
    }
}

TEST_F(PictureCompletionTest, LivePicturesWaitWhileTheArchiveIsShown)
{
    h.RegisterArchive();
    LogIn();
    h.archive.bActive = true;
    h.Socket().Deliver(LivePacket(CameraJpeg(1, false), 2));
    EXPECT_TRUE(h.view.drawn.empty());
    EXPECT_TRUE(h.archive.drawn.empty());
}

TEST_F(PictureCompletionTest, PlayPicturesGoToTheArchiveOnlyWhileItIsActive)
{
    h.RegisterArchive();
    h.archive.bActive = true;
    h.archive.wPlayState = 1;
    LogIn();
    h.Link().SendPlay(PlayRequest{0, 0, 0x00010100}, true);
    const uint32_t dwP0 = 12u << 24 | 2024u << 8 | 5u;
    h.Socket().Deliver(MakePacket(DATATYPE_PLAY_IMAGE, {dwP0, 0x110D2D0A, 0, 1, 5000}, CameraJpeg(11, true)));
    ASSERT_EQ(std::vector<uint8_t>{11}, h.archive.drawn);
    EXPECT_TRUE(h.archive.pictures[11]);
    EXPECT_EQ(0, h.archive.pictures[11].FieldAlign());
    EXPECT_TRUE(h.view.drawn.empty());

    // A picture that fails its check still answers a search: it is reported, without a picture.
    h.Socket().Deliver(MakePacket(DATATYPE_PLAY_IMAGE, {dwP0, 0x110D2D0A, 0, 1, 5000}, CameraJpeg(2, true)));
    EXPECT_EQ(2, h.archive.nPlayImages);
    EXPECT_EQ(1u, h.archive.drawn.size());

    // Hidden archive: play pictures are not shown anywhere, nor reported.
    h.archive.bActive = false;
    h.Socket().Deliver(MakePacket(DATATYPE_PLAY_IMAGE, {dwP0, 0x110D2D0A, 0, 1, 5000}, CameraJpeg(11, true)));
    EXPECT_EQ(2, h.archive.nPlayImages);
    EXPECT_EQ(1u, h.archive.drawn.size());
}

TEST_F(PictureCompletionTest, AHeldPictureNeverChangesWhenItsChannelMovesOn)
{
    LogIn();
    h.Socket().Deliver(LivePacket(CameraJpeg(3, false), 4));
    const Picture held = Slot(3);
    ASSERT_TRUE(held);
    const std::vector<uint8_t> before(held.Bits(), held.Bits() + held.Header().biSizeImage);

    // Later pictures of the same camera, at another size too: the view's slot moves on, the
    // held picture keeps its own pixels and header.
    for (int i = 1; i <= 20; ++i) {
        const int nWidth = i % 2 ? 704 : 640;
        h.clock.Advance(40);
        h.Socket().Deliver(LivePacket(CameraJpeg(3, false, ostrel::dvrsim::JpegSubsampling::S420, nWidth, 240,
                                                 ostrel::testing::TestMomentMs() + 1000 * i), 4));
    }
    ASSERT_EQ(21u, h.view.drawn.size());
    EXPECT_FALSE(Slot(3).SameAs(held));
    EXPECT_EQ(640, held.Header().biWidth);
    EXPECT_EQ(0, std::memcmp(before.data(), held.Bits(), before.size()));
}

TEST_F(PictureCompletionTest, SteadyStreamAllocatesNoPictureBuffers)
{
    LogIn();
    std::vector<std::vector<uint8_t>> packets;
    for (int nChannel = 0; nChannel < 16; ++nChannel)
        packets.push_back(LivePacket(CameraJpeg(nChannel, nChannel % 2 == 1), static_cast<uint32_t>(nChannel + 1)));
    for (int nRound = 0; nRound < 2; ++nRound)
        for (const auto& packet : packets)
            h.Socket().Deliver(packet);
    const size_t nCreated = h.Link().Pictures().Pool().BuffersCreated();
    for (int nRound = 0; nRound < 5; ++nRound)
        for (const auto& packet : packets)
            h.Socket().Deliver(packet);
    EXPECT_EQ(16u * 7u, h.view.drawn.size());
    EXPECT_EQ(nCreated, h.Link().Pictures().Pool().BuffersCreated());
    EXPECT_LE(nCreated, 18u) << "one per shown picture, one in the decoder, one in flight";
}

// ---- decoding at the size shown ----

TEST_F(PictureCompletionTest, PicturesComeAtTheScaleOfTheirCellAndANewCellCountsFromTheNextPicture)
{
    LogIn();
    for (int n = 0; n < 16; ++n)
        h.Link().Pictures().SetShownSize(REQ_LIVE, n, ShownSize{158, 118});
    DeliverSplit(h, LivePacket(CameraJpeg(3, true), 4));
    const Picture small = Slot(3);
    ASSERT_TRUE(small);
    EXPECT_EQ(160, small.Header().biWidth) << "a quarter of 640 x 240";
    EXPECT_EQ(60, small.Header().biHeight);
    EXPECT_EQ(4, small.ScaleDenominator());
    EXPECT_EQ(640, small.SourceWidth());
    EXPECT_EQ(240, small.SourceHeight());
    EXPECT_EQ(0, small.FieldAlign()) << "odd field, read at full size";

    // The operator opens the single view: the held picture stays as it is (the view stretches
    // it) until the channel's next picture, which comes full size.
    h.Link().Pictures().SetShownSize(REQ_LIVE, 3, ShownSize{638, 478});
    EXPECT_TRUE(Slot(3).SameAs(small));
    EXPECT_EQ(160, Slot(3).Header().biWidth);
    DeliverSplit(h, LivePacket(CameraJpeg(3, false), 4));
    EXPECT_EQ(640, Slot(3).Header().biWidth);
    EXPECT_EQ(240, Slot(3).Header().biHeight);
    EXPECT_EQ(1, Slot(3).ScaleDenominator());
    EXPECT_EQ(1, Slot(3).FieldAlign());
    EXPECT_EQ(160, small.Header().biWidth) << "a picture still held elsewhere never changes";

    // A channel whose size nobody set, and a size set empty, mean full size.
    DeliverSplit(h, LivePacket(CameraJpeg(7, true), 8));
    EXPECT_EQ(160, Slot(7).Header().biWidth);
    h.Link().Pictures().SetShownSize(REQ_LIVE, 7, ShownSize{});
    DeliverSplit(h, LivePacket(CameraJpeg(7, true), 8));
    EXPECT_EQ(640, Slot(7).Header().biWidth);
    // A wrong code is still refused at a small scale.
    DeliverSplit(h, LivePacket(CameraJpeg(2, true), 10));
    EXPECT_EQ(PictureCompletion::kRejected, h.Link().Pictures().DecodeChannel());
    EXPECT_FALSE(Slot(9));
}

TEST_F(PictureCompletionTest, PlayPicturesTakeTheirTileSizeAndLiveOnesTheirCellSize)
{
    PictureCompletion& pictures = h.Link().Pictures();
    pictures.SetShownSize(REQ_LIVE, 11, ShownSize{158, 118});
    pictures.SetShownSize(REQ_PLAY, 11, ShownSize{318, 238});
    pictures.SetShownSize(REQ_PLAY, 16, ShownSize{1, 1}); // no such channel: ignored
    pictures.SetShownSize(REQ_STOP, 11, ShownSize{1, 1}); // no such stream: ignored
    EXPECT_EQ((ShownSize{158, 118}), pictures.ShownSizeOf(REQ_LIVE, 11));
    EXPECT_EQ((ShownSize{318, 238}), pictures.ShownSizeOf(REQ_PLAY, 11));
    EXPECT_EQ(ShownSize{}, pictures.ShownSizeOf(REQ_STOP, 11));

    h.RegisterArchive();
    h.archive.bActive = true;
    h.archive.wPlayState = 1;
    LogIn();
    h.Link().SendPlay(PlayRequest{0, 0, 0x00010100}, true);
    const uint32_t dwP0 = 12u << 24 | 2024u << 8 | 5u;
    h.Socket().Deliver(MakePacket(DATATYPE_PLAY_IMAGE, {dwP0, 0x110D2D0A, 0, 1, 5000}, CameraJpeg(11, true)));
    ASSERT_EQ(std::vector<uint8_t>{11}, h.archive.drawn);
    EXPECT_EQ(320, h.archive.pictures[11].Header().biWidth);
    EXPECT_EQ(2, h.archive.pictures[11].ScaleDenominator());
}

TEST(PictureCompletionScale, StreamOfMixedSizesAllocatesNothingOnceSteady)
{
    // Four channels in big cells, twelve in small ones, interleaved, each picture kept by its
    // channel's slot until the next one comes, as the view keeps them.
    PictureCompletion completion;
    std::vector<std::vector<uint8_t>> jpegs;
    for (int n = 0; n < 16; ++n) {
        completion.SetShownSize(REQ_LIVE, n, n % 4 == 0 ? ShownSize{638, 478} : ShownSize{158, 118});
        jpegs.push_back(CameraJpeg(n, n % 2 == 1));
    }
    std::array<Picture, 16> held;
    size_t nShown = 0;
    const auto round = [&] {
        for (int n = 0; n < 16; ++n) {
            CompletedPayload payload;
            payload.pData = jpegs[static_cast<size_t>(n)].data();
            payload.nBytes = jpegs[static_cast<size_t>(n)].size();
            payload.byState = REQ_LIVE;
            payload.byHeaderChannel = static_cast<uint8_t>(n);
            payload.dwLiveChMask = 0xFFFF;
            CompletedPicture result = completion.Complete(payload);
            if (result.byChannel == n && result.picture) {
                held[static_cast<size_t>(n)] = std::move(result.picture);
                ++nShown;
            }
        }
    };
    for (int i = 0; i < 4; ++i)
        round();
    const size_t nCreated = completion.Pool().BuffersCreated();
    const size_t nBefore = AllocationCount();
    for (int i = 0; i < 6; ++i)
        round();
    const size_t nAfter = AllocationCount();
    EXPECT_EQ(16u * 10u, nShown);
    EXPECT_EQ(nBefore, nAfter) << "allocations in six steady rounds";
    EXPECT_EQ(nCreated, completion.Pool().BuffersCreated());
    EXPECT_EQ(1, held[0].ScaleDenominator());
    EXPECT_EQ(4, held[1].ScaleDenominator());
}
