#pragma once

#include "link/image_codec.h"
#include "link/picture.h"

#include <cstddef>
#include <cstdint>

namespace ostrel {

// A live or play picture payload the link has collected, with everything its checks need.
struct CompletedPayload {
    const uint8_t* pData = nullptr; // the JPEG payload (image buffer A)
    size_t nBytes = 0;
    uint8_t byState = 0;            // REQ_LIVE or REQ_PLAY: which stream it belongs to
    uint8_t byHeaderChannel = 0;    // m_nCurrentChannel: the channel its header named, 0-based
    uint32_t dwPacketType = 0;      // of its header
    bool bSingleRead = false;       // the whole payload came in the read that held its header
    bool bHeaderChannelMode = false; // trust the header's channel, not the picture's code
    bool bArchiveActive = false;    // m_bArchiveActive
    uint32_t dwLiveChMask = 0;      // m_dwLiveChMask at completion
};

// What became of a payload.
struct CompletedPicture {
    bool bSkipped = true;  // dropped before decoding: not for a shown channel or window
    uint8_t byChannel = 0; // accepted channel (m_nDecodeChannel); 16 = rejected
    Picture picture;       // the accepted picture; empty when skipped or rejected
};

// Turns a complete picture payload into a channel's picture: decodes it, checks the channel
// code painted into it against the header's channel and hands back a pooled picture. A picture
// that fails any check is dropped; the channel keeps its previous one wherever it is shown.
class PictureCompletion {
public:
    static constexpr uint8_t kRejected = 16;
    static constexpr size_t kMinSingleReadBytes = 3072; // smaller one-read pictures are dropped

    CompletedPicture Complete(const CompletedPayload& payload);

    uint8_t DecodeChannel() const { return m_nDecodeChannel; } // m_nDecodeChannel
    PicturePool& Pool() { return m_pool; }

private:
    // Decodes and checks; the accepted channel, or kRejected.
    uint8_t DecodeAndCheck(const CompletedPayload& payload, CImageCodec& rDecoder);

    CImageCodec m_liveDecoder;
    CImageCodec m_playDecoder;
    PicturePool m_pool;
    uint8_t m_nDecodeChannel = kRejected;  // result of the last decode and check
};

} // namespace ostrel
