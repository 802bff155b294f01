// A complete picture payload becomes a channel's picture, or is dropped and the channel keeps
// its previous one.
#include "fakes/link_harness.h"
#include "unit/codec/test_pictures.h"

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

// Delivered in two reads, so the 3072-byte rule for single reads does not apply.
void DeliverSplit(LinkHarness& h, const std::vector<uint8_t>& packet)
{
    h.Socket().Deliver(SplitAt(packet, {packet.size() / 2}));
}

class PictureCompletionTest : public ::testing::Test {
protected:
    void LogIn(uint32_t dwChannelInfo = 16) { h.LogIn(kMagicV12, dwChannelInfo); }
    const ChannelPicture& Slot(int nChannel) { return h.view.channelSlots[nChannel]; }

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
        const ChannelPicture& slot = Slot(nChannel);
        ASSERT_NE(nullptr, slot.pBits);
        EXPECT_EQ(640, slot.bmi.biWidth);
        EXPECT_EQ(240, slot.bmi.biHeight);
        EXPECT_EQ(24, slot.bmi.biBitCount);
        EXPECT_EQ(slot.pBits, h.Link().Pictures().Holder(static_cast<uint8_t>(nChannel)).Pixels());
        EXPECT_EQ(nChannel % 2 == 1 ? 0 : 1, slot.byFieldAlign) << "odd fields carry the index pattern";
    }
    EXPECT_NE(0, std::memcmp(Slot(0).pBits, Slot(1).pBits, Slot(0).bmi.biSizeImage));
}

TEST_F(PictureCompletionTest, MismatchedChannelIsRejectedAndThePreviousPictureKept)
{
    LogIn();
    h.Socket().Deliver(LivePacket(CameraJpeg(4, true), 5));
    ASSERT_EQ(std::vector<uint8_t>{4}, h.view.drawn);
    const std::vector<uint8_t> before(Slot(4).pBits, Slot(4).pBits + Slot(4).bmi.biSizeImage);

    h.clock.Advance(1000);
    h.Socket().Deliver(LivePacket(CameraJpeg(6, true, ostrel::dvrsim::JpegSubsampling::S420, 640, 240,
                                             ostrel::testing::TestMomentMs() + 5000), 5));
    EXPECT_EQ(std::vector<uint8_t>{4}, h.view.drawn) << "not drawn";
    EXPECT_EQ(PictureCompletion::kRejected, h.Link().DecodeChannel());
    EXPECT_EQ(0, std::memcmp(before.data(), Slot(4).pBits, before.size())) << "previous picture kept";
    EXPECT_EQ(nullptr, Slot(6).pBits);
}

TEST_F(PictureCompletionTest, PictureOutsideTheLiveMaskIsDroppedBeforeDecoding)
{
    LogIn();
    h.view.dwLiveChMask = 1u << 2;
    h.Socket().Deliver(LivePacket(CameraJpeg(2, false), 3));
    ASSERT_EQ(2, h.Link().DecodeChannel());
    h.Socket().Deliver(LivePacket(CameraJpeg(3, false), 4));
    EXPECT_EQ(2, h.Link().DecodeChannel()) << "the decoder never saw it";
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
    EXPECT_EQ(1, Slot(9).byFieldAlign);

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
        const std::vector<uint8_t> before(local.view.channelSlots[0].pBits,
                                          local.view.channelSlots[0].pBits + local.view.channelSlots[0].bmi.biSizeImage);
        std::vector<uint8_t> broken = jpeg;
        broken.resize(broken.size() / 3); // the rest never came
        std::vector<uint8_t> garbage(5000, 0x5A);
        for (const auto& bad : {broken, garbage}) {
            local.Socket().Deliver(LivePacket(bad, 1));
            EXPECT_EQ(std::vector<uint8_t>{0}, local.view.drawn);
            EXPECT_EQ(0, std::memcmp(before.data(), local.view.channelSlots[0].pBits, before.size()));
        }
    }
}

TEST_F(PictureCompletionTest, LivePicturesWaitWhileTheArchiveIsShown)
{
    h.Link().RegisterArchive(&h.archive);
    LogIn();
    h.archive.bActive = true;
    h.Socket().Deliver(LivePacket(CameraJpeg(1, false), 2));
    EXPECT_TRUE(h.view.drawn.empty());
    EXPECT_TRUE(h.archive.drawn.empty());
}

TEST_F(PictureCompletionTest, PlayPicturesGoToTheArchiveAndEndItsSearch)
{
    h.Link().RegisterArchive(&h.archive);
    h.archive.bActive = true;
    h.archive.wPlayState = 1;
    h.archive.bSearching = true;
    h.archive.strStatusLine = "SEARCHING";
    LogIn();
    h.Link().m_dwPlayCtrl = 0x00010100;
    h.Link().SendRequest(REQ_PLAY, true);
    const uint32_t dwP0 = 12u << 24 | 2024u << 8 | 5u;
    h.Socket().Deliver(MakePacket(DATATYPE_PLAY_IMAGE, {dwP0, 0x110D2D0A, 0, 1, 5000}, CameraJpeg(11, true)));
    ASSERT_EQ(std::vector<uint8_t>{11}, h.archive.drawn);
    EXPECT_NE(nullptr, h.archive.channelSlots[11].pBits);
    EXPECT_EQ(0, h.archive.channelSlots[11].byFieldAlign);
    EXPECT_TRUE(h.view.drawn.empty());
    EXPECT_FALSE(h.archive.bSearching);
    EXPECT_EQ(std::string(30, ' '), h.archive.strStatusLine);

    // Hidden archive: play pictures are not shown anywhere.
    h.archive.bActive = false;
    h.Socket().Deliver(MakePacket(DATATYPE_PLAY_IMAGE, {dwP0, 0x110D2D0A, 0, 1, 5000}, CameraJpeg(11, true)));
    EXPECT_EQ(1u, h.archive.drawn.size());
}

TEST_F(PictureCompletionTest, SlotsOfTheOtherWindowNeverKeepAHolderBufferThatMoved)
{
    h.Link().RegisterArchive(&h.archive);
    LogIn();
    h.Socket().Deliver(LivePacket(CameraJpeg(3, false), 4));
    ASSERT_NE(nullptr, Slot(3).pBits);

    // The archive opens and plays channel 4 at another size: the holder gets a new buffer.
    h.archive.bActive = true;
    h.archive.wPlayState = 1;
    h.Link().m_dwPlayCtrl = 0x00010100;
    h.Link().SendRequest(REQ_PLAY, true);
    const uint32_t dwP0 = 4u << 24 | 2024u << 8 | 5u;
    h.Socket().Deliver(MakePacket(DATATYPE_PLAY_IMAGE, {dwP0, 0x110D2D0A, 0, 1, 5000},
                                  CameraJpeg(3, false, ostrel::dvrsim::JpegSubsampling::S420, 704, 240)));
    ASSERT_EQ(std::vector<uint8_t>{3}, h.archive.drawn);
    EXPECT_EQ(704, h.archive.channelSlots[3].bmi.biWidth);
    EXPECT_EQ(h.Link().Pictures().Holder(3).Pixels(), h.archive.channelSlots[3].pBits);
    EXPECT_EQ(nullptr, Slot(3).pBits) << "the live view's slot let go of the old buffer";
}
