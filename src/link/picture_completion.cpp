#include "link/picture_completion.h"

#include "link/wire_format.h"

namespace ostrel {

using namespace wire;

CompletedPicture PictureCompletion::Complete(const CompletedPayload& payload)
{
    CompletedPicture result;
    // Channels beyond the 16 slots never index them, whatever the header says.
    if (payload.byHeaderChannel >= kChannelCount)
        return result;
    CImageCodec* pDecoder = nullptr;
    if (payload.byState == REQ_LIVE) {
        if (payload.bArchiveActive || (payload.dwLiveChMask & (1u << payload.byHeaderChannel)) == 0)
            return result;
        pDecoder = &m_liveDecoder;
    } else if (payload.byState == REQ_PLAY) {
        if (!payload.bArchiveActive)
            return result;
        pDecoder = &m_playDecoder;
    } else {
        return result;
    }
    result.bSkipped = false;
    m_nDecodeChannel = DecodeAndCheck(payload, *pDecoder);
    result.byChannel = m_nDecodeChannel;
    if (m_nDecodeChannel < kChannelCount && pDecoder->Pixels())
        result.picture = m_pool.Take(*pDecoder);
    return result;
}

void PictureCompletion::SetShownSize(uint8_t byState, int nChannel, const ShownSize& size)
{
    if (nChannel < 0 || nChannel >= kChannelCount)
        return;
    if (byState == REQ_LIVE)
        m_liveShown[static_cast<size_t>(nChannel)] = size;
    else if (byState == REQ_PLAY)
        m_playShown[static_cast<size_t>(nChannel)] = size;
}

ShownSize PictureCompletion::ShownSizeOf(uint8_t byState, int nChannel) const
{
    if (nChannel < 0 || nChannel >= kChannelCount)
        return {};
    if (byState == REQ_LIVE)
        return m_liveShown[static_cast<size_t>(nChannel)];
    if (byState == REQ_PLAY)
        return m_playShown[static_cast<size_t>(nChannel)];
    return {};
}

uint8_t PictureCompletion::DecodeAndCheck(const CompletedPayload& payload, CImageCodec& rDecoder)
{
    // A short picture that came whole in one read is a fragment the recorder sends between
    // streams; it is dropped before the decoder spends any time on it.
    if (payload.bSingleRead
        && (payload.nBytes < kMinSingleReadBytes || payload.dwPacketType < PACKET_PARAMS
            || payload.dwPacketType > PACKET_PAYLOAD))
        return kRejected;
    // The header's channel is the only one the picture may be shown as, so its cell decides.
    const uint8_t byDecoded = rDecoder.Decode(payload.pData, payload.nBytes, payload.bHeaderChannelMode,
                                              ShownSizeOf(payload.byState, payload.byHeaderChannel));
    // A picture that did not decode is never shown, not even on a recorder whose header names
    // the channel: its pixels are whatever the failure left.
    if (byDecoded == CImageCodec::kDecodeFailed)
        return kRejected;
    uint8_t byChannel = byDecoded;
    if (payload.bHeaderChannelMode)
        byChannel = payload.byHeaderChannel;
    else if (byChannel != payload.byHeaderChannel)
        byChannel = kRejected;
    return byChannel < kChannelCount ? byChannel : kRejected;
}

} // namespace ostrel
