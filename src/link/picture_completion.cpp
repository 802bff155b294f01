#include "link/picture_completion.h"

#include "link/decode_workers.h"
#include "link/wire_format.h"

namespace ostrel {

using namespace wire;

PictureCompletion::PictureCompletion() = default;

PictureCompletion::~PictureCompletion()
{
    m_pWorkers.reset();
}

CImageCodec* PictureCompletion::DecoderFor(const CompletedPayload& payload)
{
    // Channels beyond the 16 slots never index them, whatever the header says.
    if (payload.byHeaderChannel >= kChannelCount)
        return nullptr;
    if (payload.byState == REQ_LIVE) {
        if (payload.bArchiveActive || (payload.dwLiveChMask & (1u << payload.byHeaderChannel)) == 0)
            return nullptr;
        return &m_liveDecoder;
    }
    if (payload.byState == REQ_PLAY)
        return payload.bArchiveActive ? &m_playDecoder : nullptr;
    return nullptr;
}

CompletedPicture PictureCompletion::Complete(const CompletedPayload& payload)
{
    CompletedPicture result;
    CImageCodec* pDecoder = DecoderFor(payload);
    if (!pDecoder)
        return result;
    result.bSkipped = false;
    m_nDecodeChannel = DecodeAndCheck(payload, *pDecoder, DecodeSizeOf(payload));
    result.byChannel = m_nDecodeChannel;
    if (m_nDecodeChannel < kChannelCount && pDecoder->Pixels())
        result.picture = m_pool.Take(*pDecoder);
    return result;
}

void PictureCompletion::StartThreads(int nThreads, std::function<void()> fnReady)
{
    m_pWorkers.reset();
    if (nThreads > 0)
        m_pWorkers = std::make_unique<CDecodeWorkers>(nThreads, m_pool, std::move(fnReady));
}

int PictureCompletion::Threads() const
{
    return m_pWorkers ? m_pWorkers->Threads() : 0;
}

bool PictureCompletion::Submit(const CompletedPayload& payload, uint32_t dwConnection)
{
    CImageCodec* pDecoder = DecoderFor(payload);
    if (!m_pWorkers || !pDecoder)
        return false;
    DecodeJob job;
    job.payload = payload;
    job.shown = DecodeSizeOf(payload);
    // In header-channel mode a picture keeps the field flag its stream's decoder had; the
    // stream's decoder here keeps that flag for the threads.
    job.byFieldFlag = pDecoder->FieldFlag();
    job.dwConnection = dwConnection;
    return m_pWorkers->Submit(job, payload.pData, payload.nBytes);
}

size_t PictureCompletion::TakeReady(DecodedPicture* pOut, size_t nMax)
{
    if (!m_pWorkers)
        return 0;
    const size_t nTaken = m_pWorkers->TakeReady(pOut, nMax);
    for (size_t i = 0; i < nTaken; ++i) {
        m_nDecodeChannel = pOut[i].result.byChannel;
        CImageCodec& rStream = pOut[i].payload.byState == REQ_PLAY ? m_playDecoder : m_liveDecoder;
        rStream.SetFieldFlag(pOut[i].byFieldFlag);
    }
    return nTaken;
}

bool PictureCompletion::DecodeOneHere()
{
    return m_pWorkers && m_pWorkers->DecodeOneHere();
}

size_t PictureCompletion::Outstanding() const
{
    return m_pWorkers ? m_pWorkers->Outstanding() : 0;
}

size_t PictureCompletion::Waiting() const
{
    return m_pWorkers ? m_pWorkers->Waiting() : 0;
}

size_t PictureCompletion::Undecoded() const
{
    return m_pWorkers ? m_pWorkers->Undecoded() : 0;
}

uint64_t PictureCompletion::DroppedUnseen() const
{
    return m_pWorkers ? m_pWorkers->Overflowed() : 0;
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

ShownSize PictureCompletion::DecodeSizeOf(const CompletedPayload& payload) const
{
    return m_bScaledDecode ? ShownSizeOf(payload.byState, payload.byHeaderChannel) : ShownSize{};
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

uint8_t PictureCompletion::DecodeAndCheck(const CompletedPayload& payload, CImageCodec& rDecoder,
                                          const ShownSize& shown)
{
    // A short picture that came whole in one read is a fragment the recorder sends between
    // streams; it is dropped before the decoder spends any time on it.
    if (payload.bSingleRead
        && (payload.nBytes < kMinSingleReadBytes || payload.dwPacketType < PACKET_PARAMS
            || payload.dwPacketType > PACKET_PAYLOAD))
        return kRejected;
    // The header's channel is the only one the picture may be shown as, so its cell decides.
    const uint8_t byDecoded = rDecoder.Decode(payload.pData, payload.nBytes, payload.bHeaderChannelMode, shown);
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
