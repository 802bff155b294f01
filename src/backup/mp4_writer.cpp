#include "backup/mp4_writer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/mathematics.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <mutex>

namespace ostrel {

namespace {

constexpr int kIoBufferBytes = 64 * 1024;

bool FormatIsPossible(const Mp4Format& f)
{
    const auto side = [](int n) { return n >= 16 && n <= Mp4Format::kMaxSide && n % 2 == 0; };
    return side(f.nWidth) && side(f.nHeight) && f.nCrf >= 0 && f.nCrf <= 51 && f.nMaxKbps >= 100 &&
           f.nMaxKbps <= 100000 && f.nKeyInterval >= 1 && f.nKeyInterval <= 600 && f.nNominalRate >= 1 &&
           f.nNominalRate <= 240;
}

// The libraries speak on stderr at "info" by default (the encoder's statistics at every file).
void QuietLibraries()
{
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_ERROR); });
}

// Where an AVIO seek lands in a file of nSize bytes read or written at nPosition: the offset
// from the start, or -1 for a whence it does not know or a place before the start or past the
// end. AVSEEK_SIZE asks for the size.
int64_t SeekTarget(int64_t nOffset, int nWhence, uint64_t nPosition, uint64_t nFileSize)
{
    const auto nSize = static_cast<int64_t>(nFileSize);
    nWhence &= ~AVSEEK_FORCE;
    if (nWhence == AVSEEK_SIZE)
        return nSize;
    const int64_t nBase = nWhence == SEEK_SET ? 0 : nWhence == SEEK_CUR ? static_cast<int64_t>(nPosition)
                          : nWhence == SEEK_END ? nSize : -1;
    if (nBase < 0 || nOffset > nSize - nBase || nBase + nOffset < 0)
        return -1;
    return nBase + nOffset;
}

// A read-back of the file for the muxer's second pass (moving the index to the front).
struct ReadBack {
    WritableFile* pFile = nullptr;
    uint64_t nPosition = 0;
    int* pFailErrno = nullptr;
};

int ReadPacket(void* pOpaque, uint8_t* pData, int nBytes)
{
    auto* pRead = static_cast<ReadBack*>(pOpaque);
    size_t nRead = 0;
    const FileStatus status = pRead->pFile->ReadAt(pRead->nPosition, pData, static_cast<size_t>(std::max(nBytes, 0)), &nRead);
    if (!status.Ok()) {
        if (*pRead->pFailErrno == 0)
            *pRead->pFailErrno = status.nErrno;
        return AVERROR(status.nErrno);
    }
    if (nRead == 0)
        return AVERROR_EOF;
    pRead->nPosition += nRead;
    return static_cast<int>(nRead);
}

int64_t ReadSeek(void* pOpaque, int64_t nOffset, int nWhence)
{
    auto* pRead = static_cast<ReadBack*>(pOpaque);
    const int64_t nTarget = SeekTarget(nOffset, nWhence, pRead->nPosition, pRead->pFile->Size());
    if (nTarget < 0)
        return AVERROR(EINVAL);
    if ((nWhence & ~AVSEEK_FORCE) != AVSEEK_SIZE)
        pRead->nPosition = static_cast<uint64_t>(nTarget);
    return nTarget;
}

} // namespace

struct CMp4Writer::Av {
    AVFormatContext* pMux = nullptr;
    AVCodecContext* pEncoder = nullptr;
    AVStream* pStream = nullptr;
    SwsContext* pScale = nullptr;
    AVFrame* pFrame = nullptr;
    AVPacket* pPacket = nullptr; // the one being taken from the encoder
    AVPacket* pHeld = nullptr;   // written once the next one tells its duration
    bool bHeld = false;
    bool bHeaderWritten = false;
    ReadBack readBack;

    ~Av()
    {
        av_packet_free(&pHeld);
        av_packet_free(&pPacket);
        av_frame_free(&pFrame);
        sws_freeContext(pScale);
        avcodec_free_context(&pEncoder);
        if (pMux) {
            if (pMux->pb) {
                av_freep(&pMux->pb->buffer);
                avio_context_free(&pMux->pb);
            }
            avformat_free_context(pMux);
        }
    }

    // The muxer reopens its file by name to read it back; here that is the file being written.
    static int OpenReadBack(AVFormatContext* pMux, AVIOContext** ppIo, const char*, int nFlags, AVDictionary**)
    {
        auto* pAv = static_cast<Av*>(pMux->opaque);
        if (!(nFlags & AVIO_FLAG_READ) || (nFlags & AVIO_FLAG_WRITE) || !pAv->readBack.pFile)
            return AVERROR(EPERM);
        auto* pBuffer = static_cast<uint8_t*>(av_malloc(kIoBufferBytes));
        if (!pBuffer)
            return AVERROR(ENOMEM);
        pAv->readBack.nPosition = 0;
        *ppIo = avio_alloc_context(pBuffer, kIoBufferBytes, 0, &pAv->readBack, ReadPacket, nullptr, ReadSeek);
        if (!*ppIo) {
            av_free(pBuffer);
            return AVERROR(ENOMEM);
        }
        return 0;
    }
    static int CloseReadBack(AVFormatContext*, AVIOContext* pIo)
    {
        if (pIo) {
            av_freep(&pIo->buffer);
            avio_context_free(&pIo);
        }
        return 0;
    }
};

CMp4Writer::CMp4Writer() = default;

CMp4Writer::~CMp4Writer()
{
    Release();
}

void CMp4Writer::Release()
{
    m_av.reset();
    m_file.reset(); // an uncommitted file's temporary goes with it
}

int CMp4Writer::ErrnoOf(int nAvError) const
{
    if (m_nFailErrno != 0)
        return m_nFailErrno;
    if (nAvError == AVERROR(ENOMEM) || nAvError == AVERROR(EINVAL) || nAvError == AVERROR(ENOSPC))
        return -nAvError;
    return EIO;
}

bool CMp4Writer::Fail(int nErrno, FileStatus* pStatus)
{
    Release();
    if (pStatus)
        pStatus->nErrno = nErrno;
    return false;
}

bool CMp4Writer::Open(FileStore& files, const std::string& strPath, const Mp4Format& format, FileStatus* pStatus)
{
    if (m_file) {
        if (pStatus)
            pStatus->nErrno = EBUSY;
        return false;
    }
    if (!FormatIsPossible(format))
        return Fail(EINVAL, pStatus);
    QuietLibraries();
    const AVCodec* pCodec = avcodec_find_encoder_by_name("libx264");
    if (!pCodec)
        return Fail(ENOTSUP, pStatus);

    m_format = format;
    m_bFinished = false;
    m_nFailErrno = 0;
    m_dwFrames = 0;
    m_nLastPts = -1;
    m_nLastStep = 0;
    m_nBytes = 0;
    m_av = std::make_unique<Av>();

    // Each step answers 0 or the errno Open fails with; Fail drops whatever the steps made.
    int nErrno = AllocateAv(pCodec);        // the contexts, the picture and the packets
    if (nErrno == 0)
        nErrno = OpenEncoder(pCodec);       // x264 with the format's quality and limits
    if (nErrno == 0)
        nErrno = MakePictureAndStream();    // the encoder's input picture, its scaler, the track
    if (nErrno == 0)
        nErrno = OpenOutput(files, strPath); // the file, and the muxer's I/O over it
    if (nErrno == 0)
        nErrno = WriteHeader();             // the muxer's header, the index to go in front
    if (nErrno != 0)
        return Fail(nErrno, pStatus);
    if (pStatus)
        pStatus->nErrno = 0;
    return true;
}

int CMp4Writer::AllocateAv(const AVCodec* pCodec)
{
    Av& av = *m_av;
    av.pEncoder = avcodec_alloc_context3(pCodec);
    av.pFrame = av_frame_alloc();
    av.pPacket = av_packet_alloc();
    av.pHeld = av_packet_alloc();
    if (avformat_alloc_output_context2(&av.pMux, nullptr, "mp4", nullptr) < 0 || !av.pEncoder || !av.pFrame ||
        !av.pPacket || !av.pHeld)
        return ENOMEM;
    return 0;
}

int CMp4Writer::OpenEncoder(const AVCodec* pCodec)
{
    Av& av = *m_av;
    AVCodecContext& enc = *av.pEncoder;
    enc.width = m_format.nWidth;
    enc.height = m_format.nHeight;
    enc.pix_fmt = AV_PIX_FMT_YUV420P;
    enc.time_base = AVRational{1, kTimeScale};
    enc.framerate = AVRational{m_format.nNominalRate, 1};
    enc.gop_size = m_format.nKeyInterval;
    enc.max_b_frames = 0; // pictures leave the encoder in capture order: each one's duration is known
    enc.thread_count = 1; // the saving thread's own core; the others decode
    enc.rc_max_rate = static_cast<int64_t>(m_format.nMaxKbps) * 1000;
    enc.rc_buffer_size = m_format.nMaxKbps * 2000; // two seconds at the cap
    enc.color_range = AVCOL_RANGE_MPEG;
    enc.colorspace = AVCOL_SPC_SMPTE170M;
    enc.color_primaries = AVCOL_PRI_SMPTE170M;
    enc.color_trc = AVCOL_TRC_SMPTE170M;
    if (av.pMux->oformat->flags & AVFMT_GLOBALHEADER)
        enc.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* pOptions = nullptr;
    av_dict_set(&pOptions, "preset", "veryfast", 0);
    av_dict_set(&pOptions, "profile", "main", 0);
    av_dict_set_int(&pOptions, "crf", m_format.nCrf, 0);
    const int nOpened = avcodec_open2(&enc, pCodec, &pOptions);
    av_dict_free(&pOptions);
    if (nOpened < 0)
        return nOpened == AVERROR(ENOMEM) ? ENOMEM : EINVAL;
    return 0;
}

int CMp4Writer::MakePictureAndStream()
{
    Av& av = *m_av;
    const AVCodecContext& enc = *av.pEncoder;
    av.pFrame->format = enc.pix_fmt;
    av.pFrame->width = enc.width;
    av.pFrame->height = enc.height;
    av.pFrame->color_range = enc.color_range;
    av.pFrame->colorspace = enc.colorspace;
    if (av_frame_get_buffer(av.pFrame, 0) < 0)
        return ENOMEM;
    av.pScale = sws_getContext(m_format.nWidth, m_format.nHeight, AV_PIX_FMT_BGR0, m_format.nWidth, m_format.nHeight,
                               AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
    av.pStream = avformat_new_stream(av.pMux, nullptr);
    if (!av.pScale || !av.pStream || avcodec_parameters_from_context(av.pStream->codecpar, &enc) < 0)
        return ENOMEM;
    av.pStream->time_base = enc.time_base;
    return 0;
}

int CMp4Writer::OpenOutput(FileStore& files, const std::string& strPath)
{
    Av& av = *m_av;
    FileStatus opened;
    m_file = files.OpenWritable(strPath, &opened);
    if (!m_file)
        return opened.nErrno != 0 ? opened.nErrno : EIO;
    auto* pBuffer = static_cast<uint8_t*>(av_malloc(kIoBufferBytes));
    if (pBuffer)
        av.pMux->pb = avio_alloc_context(pBuffer, kIoBufferBytes, 1, this, nullptr, WritePacket, SeekTo);
    if (!av.pMux->pb) {
        av_free(pBuffer);
        return ENOMEM;
    }
    av.pMux->flags |= AVFMT_FLAG_CUSTOM_IO;
    // The second pass reads the file back through the same WritableFile.
    av.pMux->opaque = &av;
    av.pMux->io_open = Av::OpenReadBack;
#if LIBAVFORMAT_VERSION_MAJOR >= 60
    av.pMux->io_close2 = Av::CloseReadBack;
#else
    av.pMux->io_close = [](AVFormatContext* pMux, AVIOContext* pIo) { Av::CloseReadBack(pMux, pIo); };
#endif
    av.readBack = ReadBack{m_file.get(), 0, &m_nFailErrno};
    av.pMux->url = av_strdup(strPath.c_str());
    return 0;
}

int CMp4Writer::WriteHeader()
{
    Av& av = *m_av;
    AVDictionary* pMuxOptions = nullptr;
    av_dict_set(&pMuxOptions, "movflags", "+faststart", 0);
    const int nHeader = avformat_write_header(av.pMux, &pMuxOptions);
    av_dict_free(&pMuxOptions);
    if (nHeader < 0)
        return ErrnoOf(nHeader);
    av.bHeaderWritten = true;
    return 0;
}

bool CMp4Writer::AddFrame(const uint8_t* pBgrx, int nStrideBytes, int64_t nTimeUs, FileStatus* pStatus)
{
    if (!m_file || m_bFinished) {
        if (pStatus)
            pStatus->nErrno = EBADF;
        return false;
    }
    if (!pBgrx || nStrideBytes < m_format.nWidth * 4) {
        if (pStatus)
            pStatus->nErrno = EINVAL;
        return false;
    }
    Av& av = *m_av;
    if (m_dwFrames == 0)
        m_nFirstUs = nTimeUs;
    int64_t nPts = nTimeUs >= m_nFirstUs ? av_rescale(nTimeUs - m_nFirstUs, kTimeScale, 1000000) : 0;
    nPts = std::max(nPts, m_nLastPts + 1);
    if (m_nLastPts >= 0)
        m_nLastStep = nPts - m_nLastPts;
    m_nLastPts = nPts;

    if (av_frame_make_writable(av.pFrame) < 0)
        return Fail(ENOMEM, pStatus);
    const uint8_t* const src[4] = {pBgrx, nullptr, nullptr, nullptr};
    const int srcStride[4] = {nStrideBytes, 0, 0, 0};
    sws_scale(av.pScale, src, srcStride, 0, m_format.nHeight, av.pFrame->data, av.pFrame->linesize);
    av.pFrame->pts = nPts;
    const int nSent = avcodec_send_frame(av.pEncoder, av.pFrame);
    if (nSent < 0)
        return Fail(ErrnoOf(nSent), pStatus);
    ++m_dwFrames;
    return DrainPackets(false, pStatus);
}

// Takes what the encoder has ready. A packet is written when the next one is there, which
// gives its duration; at the end the last is written with the step before it.
bool CMp4Writer::DrainPackets(bool bLast, FileStatus* pStatus)
{
    Av& av = *m_av;
    for (;;) {
        const int nGot = avcodec_receive_packet(av.pEncoder, av.pPacket);
        if (nGot == AVERROR(EAGAIN) || nGot == AVERROR_EOF)
            break;
        if (nGot < 0)
            return Fail(ErrnoOf(nGot), pStatus);
        av_packet_rescale_ts(av.pPacket, av.pEncoder->time_base, av.pStream->time_base);
        av.pPacket->stream_index = av.pStream->index;
        if (av.bHeld && !WriteHeld(av.pPacket->pts - av.pHeld->pts, pStatus))
            return false;
        av_packet_move_ref(av.pHeld, av.pPacket);
        av.bHeld = true;
    }
    if (bLast && av.bHeld) {
        const int64_t nStep = m_nLastStep > 0 ? m_nLastStep : kTimeScale / 30;
        if (!WriteHeld(av_rescale_q(nStep, AVRational{1, kTimeScale}, av.pStream->time_base), pStatus))
            return false;
    }
    if (m_nFailErrno != 0)
        return Fail(m_nFailErrno, pStatus);
    if (pStatus)
        pStatus->nErrno = 0;
    return true;
}

bool CMp4Writer::WriteHeld(int64_t nDuration, FileStatus* pStatus)
{
    Av& av = *m_av;
    av.pHeld->duration = std::max<int64_t>(1, nDuration);
    const int nWritten = av_write_frame(av.pMux, av.pHeld);
    av_packet_unref(av.pHeld);
    av.bHeld = false;
    if (nWritten < 0 || m_nFailErrno != 0)
        return Fail(ErrnoOf(nWritten), pStatus);
    return true;
}

bool CMp4Writer::Finish(FileStatus* pStatus)
{
    Av& av = *m_av;
    const int nFlushed = avcodec_send_frame(av.pEncoder, nullptr);
    if (nFlushed < 0)
        return Fail(ErrnoOf(nFlushed), pStatus);
    if (!DrainPackets(true, pStatus))
        return false;
    const int nTrailer = av_write_trailer(av.pMux);
    if (nTrailer < 0 || m_nFailErrno != 0)
        return Fail(ErrnoOf(nTrailer), pStatus);
    m_nBytes = m_file->Size();
    m_bFinished = true;
    return true;
}

bool CMp4Writer::CloseAs(const std::string& strFinalPath, FileStatus* pStatus)
{
    if (!m_file) {
        if (pStatus)
            pStatus->nErrno = EBADF;
        return false;
    }
    if (m_dwFrames == 0) {
        Release();
        if (pStatus)
            pStatus->nErrno = 0;
        return false;
    }
    if (!m_bFinished && !Finish(pStatus))
        return false;
    const FileStatus committed = m_file->CloseAs(strFinalPath);
    if (committed.nErrno == EEXIST) {
        if (pStatus)
            *pStatus = committed;
        return false; // finished and kept, for another name
    }
    if (!committed.Ok())
        return Fail(committed.nErrno, pStatus);
    Release();
    if (pStatus)
        pStatus->nErrno = 0;
    return true;
}

int CMp4Writer::WritePacket(void* pOpaque, uint8_t* pData, int nBytes)
{
    auto* pWriter = static_cast<CMp4Writer*>(pOpaque);
    if (pWriter->m_nFailErrno != 0)
        return AVERROR(pWriter->m_nFailErrno);
    const FileStatus status = pWriter->m_file->Write(pData, static_cast<size_t>(std::max(nBytes, 0)));
    if (!status.Ok()) {
        pWriter->m_nFailErrno = status.nErrno;
        return AVERROR(status.nErrno);
    }
    pWriter->m_nBytes = pWriter->m_file->Size();
    return nBytes;
}

int64_t CMp4Writer::SeekTo(void* pOpaque, int64_t nOffset, int nWhence)
{
    auto* pWriter = static_cast<CMp4Writer*>(pOpaque);
    WritableFile& file = *pWriter->m_file;
    const int64_t nTarget = SeekTarget(nOffset, nWhence, file.Position(), file.Size());
    if (nTarget < 0)
        return AVERROR(EINVAL);
    if ((nWhence & ~AVSEEK_FORCE) == AVSEEK_SIZE)
        return nTarget;
    const FileStatus status = file.Seek(static_cast<uint64_t>(nTarget));
    if (!status.Ok()) {
        if (status.nErrno != EINVAL && pWriter->m_nFailErrno == 0)
            pWriter->m_nFailErrno = status.nErrno;
        return AVERROR(status.nErrno);
    }
    return nTarget;
}

} // namespace ostrel
