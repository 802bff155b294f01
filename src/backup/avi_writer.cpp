#include "backup/avi_writer.h"

#include "link/bitmap_info_header.h"
#include "link/jpeg_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace ostrel {

namespace {

constexpr uint32_t kAvifHasIndex = 0x10;
constexpr uint32_t kAvifIsInterleaved = 0x100;
constexpr uint32_t kIdx1KeyFrame = 0x10;       // idx1 flag of a key frame
constexpr uint32_t kIxDeltaFrame = 0x80000000; // ix00 size bit of a chunk that is no key frame
constexpr uint32_t kMainHeaderBytes = 56;      // avih
constexpr uint32_t kStreamHeaderBytes = 56;    // strh
constexpr uint32_t kSuperIndexHeaderBytes = 24;
constexpr uint32_t kSuperIndexEntryBytes = 16;
constexpr uint32_t kStdIndexHeaderBytes = 24;
constexpr uint32_t kStdIndexEntryBytes = 8;
constexpr uint32_t kIdx1EntryBytes = 16;
constexpr uint32_t kDmlhBytes = 248;
constexpr uint64_t kMaxRiffBytes = 0xFFFFFFFFull; // a RIFF size field, so each part's bytes less 8
constexpr uint32_t kMaxSamples = 0xFFFFFFFFu;
// 'RIFF' size 'AVIX' 'LIST' size 'movi'
constexpr uint32_t kPartHeaderBytes = 24;

constexpr uint32_t FourCc(const char (&id)[5])
{
    return static_cast<uint32_t>(static_cast<uint8_t>(id[0])) |
           static_cast<uint32_t>(static_cast<uint8_t>(id[1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(id[2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(id[3])) << 24;
}

// Little-endian appends onto a byte buffer.
class ByteSink {
public:
    explicit ByteSink(std::vector<uint8_t>& rOut) : m_rOut(rOut) {}
    void U8(uint8_t v) { m_rOut.push_back(v); }
    void U16(uint16_t v)
    {
        U8(static_cast<uint8_t>(v));
        U8(static_cast<uint8_t>(v >> 8));
    }
    void U32(uint32_t v)
    {
        U16(static_cast<uint16_t>(v));
        U16(static_cast<uint16_t>(v >> 16));
    }
    void U64(uint64_t v)
    {
        U32(static_cast<uint32_t>(v));
        U32(static_cast<uint32_t>(v >> 32));
    }
    void Id(const char (&id)[5]) { U32(FourCc(id)); }
    void Zeros(size_t n) { m_rOut.insert(m_rOut.end(), n, 0); }
    size_t Size() const { return m_rOut.size(); }
    void PatchU32(size_t nAt, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            m_rOut[nAt + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
    }

private:
    std::vector<uint8_t>& m_rOut;
};

uint32_t DibStride(int nWidth)
{
    return (static_cast<uint32_t>(nWidth) * 24 + 31) / 32 * 4;
}

uint32_t SaturateU32(uint64_t n)
{
    return n > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(n);
}

bool FormatIsPossible(const AviFormat& f)
{
    return f.nWidth >= 1 && f.nWidth <= AviFormat::kMaxSide && f.nHeight >= 1 && f.nHeight <= AviFormat::kMaxSide &&
           (f.codec == AviCodec::Raw || f.codec == AviCodec::Mjpeg) && f.dwRate >= 1 && f.dwSampleStep >= 1 &&
           f.dwSampleStep <= AviFormat::kMaxSampleStep && f.nOpenDmlBytes >= 1 &&
           f.nOpenDmlBytes <= AviFormat::kMaxOpenDmlBytes &&
           (f.codec != AviCodec::Mjpeg || (f.nJpegQuality >= 1 && f.nJpegQuality <= 100));
}

} // namespace

CAviWriter::CAviWriter() = default;

CAviWriter::~CAviWriter()
{
    Abort();
}

bool CAviWriter::IsOpen() const
{
    return m_bOpen;
}

uint32_t CAviWriter::FramesWritten() const
{
    return m_dwFrames;
}

uint64_t CAviWriter::BytesWritten() const
{
    return m_nBytesWritten;
}

uint32_t CAviWriter::FrameDataBytes() const
{
    return DibStride(m_format.nWidth) * static_cast<uint32_t>(m_format.nHeight);
}

void CAviWriter::Abort()
{
    m_file.reset();
    m_bOpen = false;
    m_bFinished = false;
    m_nFailErrno = 0;
    m_captures.clear();
    m_parts.clear();
}

bool CAviWriter::Fail(const FileStatus& status, FileStatus* pStatus)
{
    // Dropping the file removes its temporary at once; Close reports the failure again.
    m_file.reset();
    m_nFailErrno = status.nErrno != 0 ? status.nErrno : EIO;
    if (pStatus)
        *pStatus = {m_nFailErrno};
    return false;
}

bool CAviWriter::Open(FileStore& files, const std::string& strPath, const AviFormat& format, FileStatus* pStatus)
{
    if (pStatus)
        *pStatus = {};
    if (m_bOpen) {
        if (pStatus)
            *pStatus = {EBUSY};
        return false;
    }
    if (!FormatIsPossible(format)) {
        if (pStatus)
            *pStatus = {EINVAL};
        return false;
    }
    Abort();
    m_format = format;
    m_dwFrames = 0;
    m_nSamples = 0;
    m_dwMaxChunkBytes = 0;
    m_nFirstPartSamples = 0;
    m_dwFirstRiffSize = 0;
    m_dwFirstMoviSize = 4;
    m_nBytesWritten = 0;

    FileStatus status;
    m_file = files.OpenWritable(strPath, &status);
    if (!m_file) {
        if (pStatus)
            *pStatus = {status.nErrno != 0 ? status.nErrno : EIO};
        return false;
    }
    const std::vector<uint8_t> headers = BuildHeaders();
    status = m_file->Write(headers.data(), headers.size());
    if (!status.Ok()) {
        m_file.reset();
        if (pStatus)
            *pStatus = status;
        return false;
    }
    m_bOpen = true;
    m_nHeaderBytes = headers.size();
    m_nBytesWritten = headers.size();
    m_nPartOffset = 0;
    m_nMoviOffset = m_nHeaderBytes - 4;
    m_nPartSamples = 0;
    return true;
}

std::vector<uint8_t> CAviWriter::BuildHeaders() const
{
    const bool bOpenDml = !m_parts.empty();
    const bool bMjpeg = m_format.codec == AviCodec::Mjpeg;
    const uint32_t dwChunkMax = bMjpeg ? m_dwMaxChunkBytes : FrameDataBytes();
    const uint32_t dwTotal = static_cast<uint32_t>(m_nSamples);
    const uint32_t dwFirstPart = bOpenDml ? static_cast<uint32_t>(m_nFirstPartSamples) : dwTotal;
    const uint32_t dwHandler = bMjpeg ? FourCc("MJPG") : 0;

    std::vector<uint8_t> out;
    ByteSink s(out);
    s.Id("RIFF");
    s.U32(m_dwFirstRiffSize);
    s.Id("AVI ");

    s.Id("LIST");
    const size_t nHdrlSize = s.Size();
    s.U32(0);
    s.Id("hdrl");

    s.Id("avih");
    s.U32(kMainHeaderBytes);
    s.U32((1000000 + m_format.dwRate / 2) / m_format.dwRate); // microseconds a sample
    s.U32(SaturateU32((uint64_t{dwChunkMax} + 8) * m_format.dwRate / m_format.dwSampleStep));
    s.U32(0);                                                  // padding granularity
    s.U32(kAvifHasIndex | kAvifIsInterleaved);
    s.U32(dwFirstPart);
    s.U32(0);                                                  // initial frames
    s.U32(1);                                                  // streams
    s.U32(dwChunkMax);
    s.U32(static_cast<uint32_t>(m_format.nWidth));
    s.U32(static_cast<uint32_t>(m_format.nHeight));
    s.Zeros(16);

    s.Id("LIST");
    const size_t nStrlSize = s.Size();
    s.U32(0);
    s.Id("strl");

    s.Id("strh");
    s.U32(kStreamHeaderBytes);
    s.Id("vids");
    s.U32(dwHandler);
    s.U32(0);                 // flags
    s.U16(0);                 // priority
    s.U16(0);                 // language
    s.U32(0);                 // initial frames
    s.U32(1);                 // scale
    s.U32(m_format.dwRate);
    s.U32(0);                 // start
    s.U32(dwTotal);           // length in samples
    s.U32(dwChunkMax);        // suggested buffer size
    s.U32(0xFFFFFFFF);        // quality: the default
    s.U32(0);                 // sample size: varies
    s.U16(0);
    s.U16(0);
    s.U16(static_cast<uint16_t>(m_format.nWidth));
    s.U16(static_cast<uint16_t>(m_format.nHeight));

    BitmapInfoHeader info;
    info.biWidth = m_format.nWidth;
    info.biHeight = m_format.nHeight;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = dwHandler;
    info.biSizeImage = FrameDataBytes();
    s.Id("strf");
    s.U32(BitmapInfoHeader::kBytes);
    const size_t nInfoAt = s.Size();
    s.Zeros(BitmapInfoHeader::kBytes);
    info.Encode(out.data() + nInfoAt);

    // The super index's room is JUNK until the file needs it, so a one-part file is plain AVI.
    const uint32_t dwIndxBytes = kSuperIndexHeaderBytes + kSuperIndexEntryBytes * kSuperIndexEntries;
    if (bOpenDml) {
        s.Id("indx");
        s.U32(dwIndxBytes);
        s.U16(kSuperIndexEntryBytes / 4);
        s.U8(0);                                  // sub type
        s.U8(0);                                  // an index of indexes
        s.U32(static_cast<uint32_t>(m_parts.size()));
        s.Id("00dc");
        s.Zeros(12);
        for (const PartEntry& part : m_parts) {
            s.U64(part.nIndexOffset);
            s.U32(part.dwIndexBytes);
            s.U32(part.dwSamples);
        }
        s.Zeros(kSuperIndexEntryBytes * (kSuperIndexEntries - m_parts.size()));
    } else {
        s.Id("JUNK");
        s.U32(dwIndxBytes);
        s.Zeros(dwIndxBytes);
    }
    s.PatchU32(nStrlSize, static_cast<uint32_t>(s.Size() - nStrlSize - 4));

    if (bOpenDml) {
        s.Id("LIST");
        s.U32(4 + 8 + kDmlhBytes);
        s.Id("odml");
        s.Id("dmlh");
        s.U32(kDmlhBytes);
        s.U32(dwTotal);
        s.Zeros(kDmlhBytes - 4);
    } else {
        s.Id("JUNK");
        s.U32(4 + 8 + kDmlhBytes);
        s.Zeros(4 + 8 + kDmlhBytes);
    }
    s.PatchU32(nHdrlSize, static_cast<uint32_t>(s.Size() - nHdrlSize - 4));

    s.Id("LIST");
    s.U32(m_dwFirstMoviSize);
    s.Id("movi");
    return out;
}

uint64_t CAviWriter::PartBytesWith(uint64_t nMoreChunkBytes, uint64_t nMoreEntries) const
{
    const uint64_t nEntries = m_nPartSamples + nMoreEntries;
    uint64_t nBytes = m_nBytesWritten - m_nPartOffset + nMoreChunkBytes;
    nBytes += 8 + kStdIndexHeaderBytes + kStdIndexEntryBytes * nEntries;
    if (m_nPartOffset == 0)
        nBytes += 8 + kIdx1EntryBytes * nEntries;
    return nBytes;
}

bool CAviWriter::WriteAt(uint64_t nOffset, const std::vector<uint8_t>& bytes, FileStatus& rStatus)
{
    rStatus = m_file->Seek(nOffset);
    if (rStatus.Ok())
        rStatus = m_file->Write(bytes.data(), bytes.size());
    if (rStatus.Ok())
        rStatus = m_file->Seek(m_nBytesWritten);
    return rStatus.Ok();
}

bool CAviWriter::WriteIdx1(FileStatus& rStatus)
{
    // Entries point at chunk headers, their offsets counted from the movi id.
    std::vector<uint8_t> idx1;
    ByteSink x(idx1);
    x.Id("idx1");
    x.U32(static_cast<uint32_t>(kIdx1EntryBytes * m_nPartSamples));
    for (const CaptureEntry& capture : m_captures) {
        for (uint32_t k = capture.dwEmptyBefore; k > 0; --k) {
            x.Id("00dc");
            x.U32(0);
            x.U32(static_cast<uint32_t>(capture.nChunkOffset - 8 * k - m_nMoviOffset));
            x.U32(0);
        }
        x.Id("00dc");
        x.U32(kIdx1KeyFrame);
        x.U32(static_cast<uint32_t>(capture.nChunkOffset - m_nMoviOffset));
        x.U32(capture.dwBytes);
    }
    rStatus = m_file->Write(idx1.data(), idx1.size());
    if (!rStatus.Ok())
        return false;
    // The movi list ends where idx1 starts; these sizes go into the headers Close writes.
    m_dwFirstMoviSize = static_cast<uint32_t>(m_nBytesWritten - m_nMoviOffset);
    m_nBytesWritten += idx1.size();
    m_dwFirstRiffSize = static_cast<uint32_t>(m_nBytesWritten - 8);
    m_nFirstPartSamples = m_nPartSamples;
    return true;
}

bool CAviWriter::FinishPart(FileStatus& rStatus)
{
    // The part's standard index closes its movi list. Entries point at chunk data, their
    // offsets counted from the movi id (the base offset).
    std::vector<uint8_t> index;
    ByteSink s(index);
    const uint64_t nIndexOffset = m_nBytesWritten;
    s.Id("ix00");
    s.U32(static_cast<uint32_t>(kStdIndexHeaderBytes + kStdIndexEntryBytes * m_nPartSamples));
    s.U16(kStdIndexEntryBytes / 4);
    s.U8(0);                                      // sub type
    s.U8(1);                                      // an index of chunks
    s.U32(static_cast<uint32_t>(m_nPartSamples));
    s.Id("00dc");
    s.U64(m_nMoviOffset);
    s.U32(0);
    for (const CaptureEntry& capture : m_captures) {
        for (uint32_t k = capture.dwEmptyBefore; k > 0; --k) {
            s.U32(static_cast<uint32_t>(capture.nChunkOffset - 8 * k + 8 - m_nMoviOffset));
            s.U32(kIxDeltaFrame);
        }
        s.U32(static_cast<uint32_t>(capture.nChunkOffset + 8 - m_nMoviOffset));
        s.U32(capture.dwBytes);
    }
    rStatus = m_file->Write(index.data(), index.size());
    if (!rStatus.Ok())
        return false;
    m_nBytesWritten += index.size();
    m_parts.push_back({nIndexOffset, static_cast<uint32_t>(index.size()), static_cast<uint32_t>(m_nPartSamples)});

    if (m_nPartOffset == 0) {
        if (!WriteIdx1(rStatus))
            return false;
    } else {
        std::vector<uint8_t> header;
        ByteSink h(header);
        h.Id("RIFF");
        h.U32(static_cast<uint32_t>(m_nBytesWritten - m_nPartOffset - 8));
        h.Id("AVIX");
        h.Id("LIST");
        h.U32(static_cast<uint32_t>(m_nBytesWritten - m_nMoviOffset));
        h.Id("movi");
        if (!WriteAt(m_nPartOffset, header, rStatus))
            return false;
    }
    m_captures.clear();
    return true;
}

bool CAviWriter::StartPart(FileStatus& rStatus)
{
    if (m_parts.size() >= kSuperIndexEntries) {
        rStatus = {EFBIG};
        return false;
    }
    std::vector<uint8_t> header;
    ByteSink h(header);
    h.Id("RIFF");
    h.U32(kPartHeaderBytes - 8);
    h.Id("AVIX");
    h.Id("LIST");
    h.U32(4);
    h.Id("movi");
    rStatus = m_file->Write(header.data(), header.size());
    if (!rStatus.Ok())
        return false;
    m_nPartOffset = m_nBytesWritten;
    m_nMoviOffset = m_nPartOffset + kPartHeaderBytes - 4;
    m_nBytesWritten += header.size();
    m_nPartSamples = 0;
    return true;
}

bool CAviWriter::AddFrame(const uint8_t* pBgrx, int nStrideBytes, FileStatus* pStatus)
{
    if (pStatus)
        *pStatus = {};
    if (!m_bOpen) {
        if (pStatus)
            *pStatus = {EBADF};
        return false;
    }
    if (m_nFailErrno != 0) {
        if (pStatus)
            *pStatus = {m_nFailErrno};
        return false;
    }
    const int nWidth = m_format.nWidth;
    const int nHeight = m_format.nHeight;
    if (!pBgrx || nStrideBytes / 4 < nWidth)
        return Fail({EINVAL}, pStatus);

    const uint8_t* pData = nullptr;
    uint32_t dwDataBytes = 0;
    if (m_format.codec == AviCodec::Mjpeg) {
        if (!EncodeJpegBgrx(pBgrx, nWidth, nHeight, nStrideBytes, m_format.nJpegQuality, m_jpeg) ||
            m_jpeg.size() > kMaxRiffBytes / 4)
            return Fail({EIO}, pStatus);
        pData = m_jpeg.data();
        dwDataBytes = static_cast<uint32_t>(m_jpeg.size());
    } else {
        dwDataBytes = FrameDataBytes();
    }

    const uint32_t dwEmpty = m_dwFrames == 0 ? 0 : m_format.dwSampleStep - 1;
    if (m_nSamples + dwEmpty + 1 > kMaxSamples)
        return Fail({EFBIG}, pStatus);
    const uint64_t nChunkBytes = 8ull * dwEmpty + 8 + dwDataBytes + (dwDataBytes & 1);

    FileStatus status;
    if (m_nPartSamples > 0 && PartBytesWith(nChunkBytes, dwEmpty + 1) > m_format.nOpenDmlBytes) {
        if (!FinishPart(status) || !StartPart(status))
            return Fail(status, pStatus);
    }
    if (PartBytesWith(nChunkBytes, dwEmpty + 1) - 8 > kMaxRiffBytes)
        return Fail({EFBIG}, pStatus);

    m_chunkBuffer.clear();
    ByteSink s(m_chunkBuffer);
    for (uint32_t k = 0; k < dwEmpty; ++k) {
        s.Id("00dc");
        s.U32(0);
    }
    s.Id("00dc");
    s.U32(dwDataBytes);
    const size_t nDataAt = s.Size();
    if (pData) {
        m_chunkBuffer.insert(m_chunkBuffer.end(), pData, pData + dwDataBytes);
    } else {
        // 24-bit DIB rows, bottom-up, each padded to its 4-byte stride.
        m_chunkBuffer.resize(nDataAt + dwDataBytes, 0);
        const size_t nStride = DibStride(nWidth);
        for (int y = 0; y < nHeight; ++y) {
            const uint8_t* pSrc = pBgrx + static_cast<size_t>(nHeight - 1 - y) * static_cast<size_t>(nStrideBytes);
            uint8_t* pDst = m_chunkBuffer.data() + nDataAt + static_cast<size_t>(y) * nStride;
            for (int x = 0; x < nWidth; ++x, pSrc += 4, pDst += 3) {
                pDst[0] = pSrc[0];
                pDst[1] = pSrc[1];
                pDst[2] = pSrc[2];
            }
        }
    }
    if (dwDataBytes & 1)
        s.U8(0);

    status = m_file->Write(m_chunkBuffer.data(), m_chunkBuffer.size());
    if (!status.Ok())
        return Fail(status, pStatus);
    m_captures.push_back({m_nBytesWritten + 8ull * dwEmpty, dwDataBytes, dwEmpty});
    m_nBytesWritten += m_chunkBuffer.size();
    m_nSamples += dwEmpty + 1;
    m_nPartSamples += dwEmpty + 1;
    m_dwMaxChunkBytes = std::max(m_dwMaxChunkBytes, dwDataBytes);
    ++m_dwFrames;
    return true;
}

bool CAviWriter::Close(FileStatus* pStatus)
{
    return Commit(nullptr, pStatus);
}

bool CAviWriter::CloseAs(const std::string& strFinalPath, FileStatus* pStatus)
{
    return Commit(&strFinalPath, pStatus);
}

bool CAviWriter::Commit(const std::string* pFinalPath, FileStatus* pStatus)
{
    if (pStatus)
        *pStatus = {};
    if (!m_bOpen) {
        if (pStatus)
            *pStatus = {EBADF};
        return false;
    }
    FileStatus status{m_nFailErrno};
    if (status.Ok() && m_dwFrames == 0) {
        Abort();
        return false;
    }
    if (status.Ok() && !m_bFinished) {
        if (m_parts.empty()) {
            // One part: a plain AVI, indexed by idx1 alone.
            WriteIdx1(status);
        } else {
            FinishPart(status);
        }
        if (status.Ok())
            WriteAt(0, BuildHeaders(), status);
        m_bFinished = status.Ok();
    }
    if (status.Ok())
        status = pFinalPath ? m_file->CloseAs(*pFinalPath) : m_file->Close();
    if (pFinalPath && status.nErrno == EEXIST) {
        // The name is taken: the file stays as it is, finished, for another name.
        if (pStatus)
            *pStatus = status;
        return false;
    }
    Abort();
    if (pStatus)
        *pStatus = status;
    return status.Ok();
}

} // namespace ostrel
