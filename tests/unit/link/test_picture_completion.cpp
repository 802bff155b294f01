// A complete picture payload becomes a channel's picture, or is dropped and the channel keeps
// its previous one.
#include "fakes/link_harness.h"
#include "fakes/test_pictures.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace ostrel;
using namespace ostrel::test;
using namespace ostrel::wire;
using ostrel::testing::CameraJpeg;
using ostrel::testing::FlatJpeg;

namespace {

std::vector<uint8_t> LivePacket(const std::vector<uint8_t>& jpeg, uint32_t dwChannel1Based)
{
    return MakePacket(DATATYPE_LIVE_IMAGE, {0, 0, 0, dwChannel1Based}, jpeg);
}

std::vector<uint8_t> PlayPacket(const std::vector<uint8_t>& jpeg)
{
    return MakePacket(DATATYPE_PLAY_IMAGE, {12u << 24 | 2024u << 8 | 5u, 0x110D2D0A, 0, 1, 5000}, jpeg);
}

std::vector<uint8_t> BitsOf(const Picture& picture)
{
    return {picture.Bits(), picture.Bits() + picture.Header().biSizeImage};
}
std::vector<int> Shape(const Picture& picture)
{
    return {picture.Header().biWidth, picture.Header().biHeight, picture.ScaleDenominator(), picture.FieldAlign()};
}

class PictureCompletionTest : public ::testing::Test {
protected:
    // Two reads, so the 3072-byte rule for single reads does not apply.
    void DeliverSplit(const std::vector<uint8_t>& packet) { h.Socket().Deliver(SplitAt(packet, {packet.size() / 2})); }
    const Picture& Slot(int nChannel) { return h.view.pictures[nChannel]; }

    LinkHarness h;
};

} // namespace

TEST_F(PictureCompletionTest, WrongCodeOrDamagedPictureIsNeverShownAndHeaderModeTrustsTheHeader)
{
    const std::vector<uint8_t> good = CameraJpeg(4, true);
    const std::vector<uint8_t> wrongCode = CameraJpeg(6, true, ostrel::dvrsim::JpegSubsampling::S420, 640, 240,
                                                      ostrel::testing::TestMomentMs() + 5000);
    const std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() / 3));
    const std::vector<uint8_t> garbage(5000, 0x5A);
    for (uint32_t dwInfo : {16u, 8u}) { // the picture's code decides, or the header does
        LinkHarness local;
        local.LogIn(kMagicV12, dwInfo);
        local.Socket().Deliver(LivePacket(good, 5));
        ASSERT_EQ(std::vector<uint8_t>{4}, local.view.drawn);
        const std::vector<uint8_t> before = BitsOf(local.view.pictures[4]);
        for (const auto* pBad : {&cut, &garbage, &wrongCode}) {
            if (pBad == &wrongCode && dwInfo == 8)
                continue; // the header is trusted there
            SCOPED_TRACE(::testing::Message() << "info " << dwInfo << ", " << pBad->size() << " bytes");
            local.Socket().Deliver(LivePacket(*pBad, 5));
            EXPECT_EQ(std::vector<uint8_t>{4}, local.view.drawn);
            EXPECT_EQ(before, BitsOf(local.view.pictures[4]));
        }
        EXPECT_FALSE(local.view.pictures[6]);
    }

    // Header-channel mode: the header wins over the painted code; channels 16 and up have no slot.
    h.LogIn(kMagicV12, 8);
    for (uint32_t dwChannel1Based : {10u, 17u, 300u})
        h.Socket().Deliver(LivePacket(CameraJpeg(0, true), dwChannel1Based));
    EXPECT_EQ(std::vector<uint8_t>{9}, h.view.drawn);
}

TEST_F(PictureCompletionTest, PicturesForNoShownChannelOrTooSmallInOneReadAreNeverDecoded)
{
    h.RegisterArchive();
    h.LogIn();
    h.view.dwLiveChMask = 1u << 2;
    h.Socket().Deliver(LivePacket(CameraJpeg(2, false), 3));
    ASSERT_EQ(2, h.Link().Pictures().DecodeChannel());
    h.Socket().Deliver(LivePacket(CameraJpeg(3, false), 4));
    EXPECT_EQ(2, h.Link().Pictures().DecodeChannel()) << "outside the live mask: the decoder never saw it";
    h.archive.bActive = true;
    h.Socket().Deliver(LivePacket(CameraJpeg(2, true), 3));
    EXPECT_EQ(std::vector<uint8_t>{2}, h.view.drawn) << "live pictures wait while the archive is shown";
    EXPECT_TRUE(h.archive.drawn.empty());

    h.archive.bActive = false;
    const std::vector<uint8_t> small = FlatJpeg(64, 48, 0, 0, 0);
    ASSERT_LT(small.size(), PictureCompletion::kMinSingleReadBytes);
    h.view.dwLiveChMask = 0xFFFF;
    h.Socket().Deliver(LivePacket(small, 1));
    EXPECT_EQ(std::vector<uint8_t>{2}, h.view.drawn) << "a small picture in one read is a fragment";
    DeliverSplit(LivePacket(small, 1));
    EXPECT_EQ((std::vector<uint8_t>{2, 0}), h.view.drawn) << "the same picture over two reads is shown";
}

TEST_F(PictureCompletionTest, PlayPicturesGoToTheArchiveOnlyWhileItIsActiveAtTheirTileSize)
{
    PictureCompletion& pictures = h.Link().Pictures();
    pictures.SetShownSize(REQ_PLAY, 11, ShownSize{318, 238});
    pictures.SetShownSize(REQ_PLAY, 16, ShownSize{1, 1}); // no such channel: ignored
    pictures.SetShownSize(REQ_STOP, 11, ShownSize{1, 1}); // no such stream: ignored
    EXPECT_EQ(ShownSize{}, pictures.ShownSizeOf(REQ_STOP, 11));

    h.RegisterArchive();
    h.archive.bActive = true;
    h.archive.wPlayState = 1;
    h.LogIn();
    h.Link().SendPlay(PlayRequest{0, 0, 0x00010100}, true);
    h.Socket().Deliver(PlayPacket(CameraJpeg(11, true)));
    ASSERT_EQ(std::vector<uint8_t>{11}, h.archive.drawn);
    EXPECT_EQ((std::vector<int>{320, 120, 2, 0}), Shape(h.archive.pictures[11]));
    EXPECT_TRUE(h.view.drawn.empty());

    // A picture that fails its check still answers a search: it is reported, without a picture.
    h.Socket().Deliver(PlayPacket(CameraJpeg(2, true)));
    EXPECT_EQ(2, h.archive.nPlayImages);
    EXPECT_EQ(1u, h.archive.drawn.size());
    // Hidden archive: play pictures are not shown anywhere, nor reported.
    h.archive.bActive = false;
    h.Socket().Deliver(PlayPacket(CameraJpeg(11, true)));
    EXPECT_EQ(2, h.archive.nPlayImages);
    EXPECT_EQ(1u, h.archive.drawn.size());
}

TEST_F(PictureCompletionTest, PicturesComeAtTheScaleOfTheirCellAndANewCellCountsFromTheNextPicture)
{
    h.LogIn();
    for (int n = 0; n < 16; ++n)
        h.Link().Pictures().SetShownSize(REQ_LIVE, n, ShownSize{158, 118});
    DeliverSplit(LivePacket(CameraJpeg(3, true), 4));
    const Picture small = Slot(3);
    ASSERT_TRUE(small);
    EXPECT_EQ((std::vector<int>{160, 60, 4, 0}), Shape(small)) << "a quarter of 640 x 240, odd field";
    EXPECT_EQ((std::vector<int>{640, 240}), (std::vector<int>{small.SourceWidth(), small.SourceHeight()}));
    const std::vector<uint8_t> smallBits = BitsOf(small);

    // The operator opens the single view: the held picture stays as it is (the view stretches
    // it) until the channel's next picture, which comes full size.
    h.Link().Pictures().SetShownSize(REQ_LIVE, 3, ShownSize{638, 478});
    EXPECT_TRUE(Slot(3).SameAs(small));
    DeliverSplit(LivePacket(CameraJpeg(3, false), 4));
    EXPECT_EQ((std::vector<int>{640, 240, 1, 1}), Shape(Slot(3)));

    // A picture still held elsewhere never changes while its channel moves on, at any size.
    for (int i = 1; i <= 6; ++i)
        h.Socket().Deliver(LivePacket(CameraJpeg(3, false, ostrel::dvrsim::JpegSubsampling::S420, i % 2 ? 704 : 640, 240,
                                                 ostrel::testing::TestMomentMs() + 1000 * i), 4));
    EXPECT_EQ(160, small.Header().biWidth);
    EXPECT_EQ(smallBits, BitsOf(small));
}
