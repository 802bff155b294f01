#pragma once

#include "link/image_codec.h"
#include "link/picture.h"
#include "link/picture_scale.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

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
    bool bSearching = false;        // the archive's m_bSearching at completion
};

class CDecodeWorkers;
struct DecodedPicture;

// What became of a payload.
struct CompletedPicture {
    bool bSkipped = true;  // dropped before decoding: not for a shown channel or window
    uint8_t byChannel = 0; // accepted channel (m_nDecodeChannel); 16 = rejected
    Picture picture;       // the accepted picture; empty when skipped or rejected
};

// Turns a complete picture payload into a channel's picture: decodes it, checks the channel
// code painted into it against the header's channel and hands back a pooled picture. A picture
// that fails any check is dropped; the channel keeps its previous one wherever it is shown.
//
// Each channel's picture is decoded at the size it is shown: whoever lays out the live cells or
// the archive's tiles (the session and the archive player) tells the completion each channel's
// cell size with SetShownSize, and the decoder picks the smallest DCT scale that still covers
// it. Nothing here reads a window. A channel whose size was never set, or was set empty, is
// decoded full size. A new size applies from the channel's next picture: a small picture
// already held is stretched until then.
//
// Decoding runs on the caller's thread (Complete), or, once StartThreads has been called, on
// decoder threads: Submit hands a payload over and TakeReady gives the results back, in the
// order they were submitted, on the caller's thread. Everything else is called from that one
// thread.
class PictureCompletion {
public:
    static constexpr uint8_t kRejected = 16;
    static constexpr size_t kMinSingleReadBytes = 3072; // smaller one-read pictures are dropped

    PictureCompletion();
    ~PictureCompletion(); // stops the decoder threads first
    PictureCompletion(const PictureCompletion&) = delete;
    PictureCompletion& operator=(const PictureCompletion&) = delete;

    CompletedPicture Complete(const CompletedPayload& payload);

    // nThreads decoder threads (at most 16), or none (0): decoding on the caller's thread
    // again. Results not yet taken are dropped. fnReady is called from the threads when results
    // may be ready, and must only wake the caller's thread.
    void StartThreads(int nThreads, std::function<void()> fnReady);
    int Threads() const;
    // Threaded: false when the payload is not for a shown channel or window (skipped, as
    // Complete would) or no slot was free; else it is on its way. dwConnection comes back
    // with the result.
    bool Submit(const CompletedPayload& payload, uint32_t dwConnection);
    // Threaded: the results ready, in submission order, into pOut[0..nMax-1]; how many. The
    // decode channel and the streams' field flags follow them as if decoded here.
    size_t TakeReady(DecodedPicture* pOut, size_t nMax);
    // Threaded: decodes the oldest payload still waiting for a thread on the caller's thread
    // instead; false when none waits. Its result is taken with the others, in order.
    bool DecodeOneHere();
    // Threaded: payloads submitted and not yet taken back.
    size_t Outstanding() const;
    // Threaded: payloads submitted and not started yet.
    size_t Waiting() const;
    // Threaded: payloads submitted and not decoded yet.
    size_t Undecoded() const;
    // Payloads the threads dropped unseen for want of a slot.
    uint64_t DroppedUnseen() const;

    // Decodes and checks one payload with rDecoder at the size shown; the accepted channel, or
    // kRejected. Touches nothing but its arguments.
    static uint8_t DecodeAndCheck(const CompletedPayload& payload, CImageCodec& rDecoder, const ShownSize& shown);

    // The cell (byState REQ_LIVE) or tile (REQ_PLAY) the channel is shown in; empty when it is
    // not shown. Other states and channels are ignored.
    void SetShownSize(uint8_t byState, int nChannel, const ShownSize& size);
    ShownSize ShownSizeOf(uint8_t byState, int nChannel) const;
    // Off: every picture is decoded full size, whatever its cell (for comparison).
    void SetScaledDecode(bool bOn) { m_bScaledDecode = bOn; }

    uint8_t DecodeChannel() const { return m_nDecodeChannel; } // m_nDecodeChannel
    PicturePool& Pool() { return m_pool; }

private:
    // The stream's decoder when the payload is for a shown channel or window, else null.
    CImageCodec* DecoderFor(const CompletedPayload& payload);
    // The size a payload is decoded for.
    ShownSize DecodeSizeOf(const CompletedPayload& payload) const;

    std::array<ShownSize, kChannelCount> m_liveShown{};
    std::array<ShownSize, kChannelCount> m_playShown{};
    CImageCodec m_liveDecoder;
    CImageCodec m_playDecoder;
    PicturePool m_pool;
    uint8_t m_nDecodeChannel = kRejected;  // result of the last decode and check
    bool m_bScaledDecode = true;
    std::unique_ptr<CDecodeWorkers> m_pWorkers; // after the pool: its pictures go back there
};

} // namespace ostrel
