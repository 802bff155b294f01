#pragma once

#include "link/channel_picture.h"
#include "link/image_codec.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace ostrel {

class CDvrLink;

// Turns a complete picture payload into a channel's picture: decodes it, checks the channel
// code painted into it against the header's channel, keeps it in the channel's holder and
// hands it to the view (live) or the archive dialog (playback). A picture that fails any check
// is dropped and the channel keeps its previous one.
class PictureCompletion {
public:
    static constexpr uint8_t kRejected = 16;
    static constexpr size_t kMinSingleReadBytes = 3072; // smaller one-read pictures are dropped

    // Runs on the link's current payload; the link empties the reassembly afterwards.
    void Complete(CDvrLink& rLink, bool bSingleRead);

    uint8_t DecodeChannel() const { return m_nDecodeChannel; }
    const CImageCodec& Holder(uint8_t byChannel) const { return m_holders[byChannel]; }
    CImageCodec& LiveDecoder() { return m_liveDecoder; }
    CImageCodec& PlayDecoder() { return m_playDecoder; }

private:
    // Decodes and checks; the accepted channel, or kRejected.
    uint8_t DecodeAndCheck(CDvrLink& rLink, CImageCodec& rDecoder, bool bSingleRead);
    // Hands the decoder's picture to the channel's holder and points pSlots at it. The holder's
    // pixels move, so a slot of the other window still showing the old ones is cleared.
    void Store(uint8_t byChannel, CImageCodec& rDecoder, ChannelPicture* pSlots, ChannelPicture* pOtherSlots);

    CImageCodec m_liveDecoder;
    CImageCodec m_playDecoder;
    std::array<CImageCodec, 16> m_holders; // last accepted picture of each channel
    uint8_t m_nDecodeChannel = kRejected;  // result of the last decode and check
};

} // namespace ostrel
