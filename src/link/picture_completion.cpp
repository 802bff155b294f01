#include "link/picture_completion.h"

#include "link/dvr_link.h"

namespace ostrel {

using namespace wire;

void PictureCompletion::Complete(CDvrLink& rLink, bool bSingleRead)
{
    const uint8_t byChannel = rLink.CurrentChannel();
    if (rLink.State() == REQ_LIVE) {
        LinkView* pView = rLink.View();
        // Channels beyond the 16 slots never index them, whatever the header says.
        if (!pView || rLink.ArchiveActive() || byChannel >= kChannelCount
            || (pView->LiveChannelMask() & (1u << byChannel)) == 0)
            return;
        m_nDecodeChannel = DecodeAndCheck(rLink, m_liveDecoder, bSingleRead);
        if (m_nDecodeChannel < kChannelCount) {
            Store(m_nDecodeChannel, m_liveDecoder, pView->ChannelSlots(),
                  rLink.Archive() ? rLink.Archive()->ChannelSlots() : nullptr);
            pView->DrawChannel(m_nDecodeChannel);
        }
    } else if (rLink.State() == REQ_PLAY) {
        LinkArchive* pArchive = rLink.Archive();
        if (byChannel >= kChannelCount || !rLink.ArchiveActive())
            return;
        m_nDecodeChannel = DecodeAndCheck(rLink, m_playDecoder, bSingleRead);
        if (m_nDecodeChannel < kChannelCount) {
            Store(m_nDecodeChannel, m_playDecoder, pArchive->ChannelSlots(),
                  rLink.View() ? rLink.View()->ChannelSlots() : nullptr);
            pArchive->DrawChannel(m_nDecodeChannel);
        }
        if (pArchive->IsSearching())
            pArchive->EndSearching();
    }
}

uint8_t PictureCompletion::DecodeAndCheck(CDvrLink& rLink, CImageCodec& rDecoder, bool bSingleRead)
{
    const size_t nBytes = rLink.ExpectedSize();
    // A short picture that came whole in one read is a fragment the recorder sends between
    // streams; it is dropped before the decoder spends any time on it.
    const uint32_t dwPacketType = rLink.ImageHeader().dwPacketType;
    if (bSingleRead && (nBytes < kMinSingleReadBytes || dwPacketType < PACKET_PARAMS || dwPacketType > PACKET_PAYLOAD))
        return kRejected;
    const uint8_t byDecoded = rDecoder.Decode(rLink.ImagePayload(), nBytes, rLink.HeaderChannelMode());
    // A picture that did not decode is never shown, not even on a recorder whose header names
    // the channel: its pixels are whatever the failure left.
    if (byDecoded == CImageCodec::kDecodeFailed)
        return kRejected;
    uint8_t byChannel = byDecoded;
    if (rLink.HeaderChannelMode())
        byChannel = rLink.CurrentChannel();
    else if (byChannel != rLink.CurrentChannel())
        byChannel = kRejected;
    return byChannel < kChannelCount ? byChannel : kRejected;
}

void PictureCompletion::Store(uint8_t byChannel, CImageCodec& rDecoder, ChannelPicture* pSlots,
                              ChannelPicture* pOtherSlots)
{
    ChannelPicture& slot = pSlots[byChannel];
    if (rDecoder.Pixels()) {
        CImageCodec& holder = m_holders[byChannel];
        const uint8_t* pOld = holder.Pixels();
        holder.TakePictureFrom(rDecoder);
        slot.pBits = holder.Pixels();
        slot.bmi = holder.ImageHeader();
        if (pOtherSlots && pOld && pOtherSlots[byChannel].pBits == pOld)
            pOtherSlots[byChannel].pBits = nullptr;
    }
    slot.byFieldAlign = rDecoder.FieldFlag();
}

} // namespace ostrel
