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

// 24-bit DIB rows from B G R X pixels: bottom-up, each padded to its 4-byte stride (pDst zeroed).
void PutDibRows(const uint8_t* pBgrx, int nStrideBytes, int nWidth, int nHeight, uint8_t* pDst)
{
    const size_t nStride = DibStride(nWidth);
    for (int y = 0; y < nHeight; ++y) {
        const uint8_t* pSrc = pBgrx + static_cast<size_t>(nHeight - 1 - y) * static_cast<size_t>(nStrideBytes);
        uint8_t* pRow = pDst + static_cast<size_t>(y) * nStride;
        for (int x = 0; x < nWidth; ++x, pSrc += 4, pRow += 3) {
            pRow[0] = pSrc[0];
            pRow[1] = pSrc[1];
            pRow[2] = pSrc[2];
        }
    }
}

// A later part's 'RIFF' 'AVIX' and movi list headers with the given size fields.
std::vector<uint8_t> PartHeader(uint32_t dwRiffSize, uint32_t dwMoviSize)
{
    std::vector<uint8_t> header;
    ByteSink h(header);
    h.Id("RIFF");
    h.U32(dwRiffSize);
    h.Id("AVIX");
    h.Id("LIST");
    h.U32(dwMoviSize);
    h.Id("movi");
    return header;
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
    ResetFor(format);

    FileStatus status;
    m_file = files.OpenWritable(strPath, &status);
    if (!m_file) {
        if (pStatus)
            *pStatus = {status.nErrno != 0 ? status.nErrno : EIO};
        return false;
    }
    if (!WriteFirstHeaders(status)) {
        m_file.reset();
        if (pStatus)
            *pStatus = status;
        return false;
    }
    return true;
}

// A new file's format and counts; the first part's sizes stay unknown until it is finished.
void CAviWriter::ResetFor(const AviFormat& format)
{
    m_format = format;
    m_dwFrames = 0;
    m_nSamples = 0;
    m_dwMaxChunkBytes = 0;
    m_nFirstPartSamples = 0;
    m_dwFirstRiffSize = 0;
    m_dwFirstMoviSize = 4;
    m_nBytesWritten = 0;
}

// The headers as room for now (Close writes them again with the counts), the first movi list
// starting right after them.
bool CAviWriter::WriteFirstHeaders(FileStatus& rStatus)
{
    const std::vector<uint8_t> headers = BuildHeaders();
    rStatus = m_file->Write(headers.data(), headers.size());
    if (!rStatus.Ok())
        return false;
    m_bOpen = true;
    m_nHeaderBytes = headers.size();
    m_nBytesWritten = headers.size();
    m_nPartOffset = 0;
    m_nMoviOffset = m_nHeaderBytes - 4;
    m_nPartSamples = 0;
    return true;
}

// The first part's headers, up to its movi list's data: they are written at Open as room and
// again at Close with the final counts, the same size both times.
std::vector<uint8_t> CAviWriter::BuildHeaders() const
{
    std::vector<uint8_t> out;
    ByteSink s(out);
    s.Id("RIFF");
    s.U32(m_dwFirstRiffSize);
    s.Id("AVI ");

    s.Id("LIST");
    const size_t nHdrlSize = s.Size();
    s.U32(0);
    s.Id("hdrl");
    AppendMainHeader(out); // avih: the file's rate, largest chunk and picture size
    AppendStreamList(out); // strl: the one video stream
    AppendOdmlList(out);   // odml: the whole stream's length once there are several parts
    s.PatchU32(nHdrlSize, static_cast<uint32_t>(s.Size() - nHdrlSize - 4));

    s.Id("LIST");
    s.U32(m_dwFirstMoviSize);
    s.Id("movi");
    return out;
}

// The largest chunk's data bytes: every raw capture has the same size, a JPEG's varies.
uint32_t CAviWriter::ChunkMaxBytes() const
{
    return m_format.codec == AviCodec::Mjpeg ? m_dwMaxChunkBytes : FrameDataBytes();
}

// The stream's handler and compression code: MJPG, or 0 for raw DIB rows.
uint32_t CAviWriter::Handler() const
{
    return m_format.codec == AviCodec::Mjpeg ? FourCc("MJPG") : 0;
}

void CAviWriter::AppendMainHeader(std::vector<uint8_t>& rOut) const
{
    // Past one part, avih counts the first part's samples only (dmlh has them all).
    const uint32_t dwSamples =
        m_parts.empty() ? static_cast<uint32_t>(m_nSamples) : static_cast<uint32_t>(m_nFirstPartSamples);
    const uint32_t dwChunkMax = ChunkMaxBytes();
    ByteSink s(rOut);
    s.Id("avih");
    s.U32(kMainHeaderBytes);
    s.U32((1000000 + m_format.dwRate / 2) / m_format.dwRate); // microseconds a sample
    s.U32(SaturateU32((uint64_t{dwChunkMax} + 8) * m_format.dwRate / m_format.dwSampleStep));
    s.U32(0);                                                  // padding granularity
    s.U32(kAvifHasIndex | kAvifIsInterleaved);
    s.U32(dwSamples);
    s.U32(0);                                                  // initial frames
    s.U32(1);                                                  // streams
    s.U32(dwChunkMax);
    s.U32(static_cast<uint32_t>(m_format.nWidth));
    s.U32(static_cast<uint32_t>(m_format.nHeight));
    s.Zeros(16);
}

void CAviWriter::AppendStreamList(std::vector<uint8_t>& rOut) const
{
    ByteSink s(rOut);
    s.Id("LIST");
    const size_t nStrlSize = s.Size();
    s.U32(0);
    s.Id("strl");
    AppendStreamHeader(rOut); // strh: rate and length in samples
    AppendStreamFormat(rOut); // strf: the pictures' bitmap header
    AppendSuperIndex(rOut);   // indx: where each part's index is, or its room
    s.PatchU32(nStrlSize, static_cast<uint32_t>(s.Size() - nStrlSize - 4));
}

void CAviWriter::AppendStreamHeader(std::vector<uint8_t>& rOut) const
{
    const uint32_t dwChunkMax = ChunkMaxBytes();
    ByteSink s(rOut);
    s.Id("strh");
    s.U32(kStreamHeaderBytes);
    s.Id("vids");
    s.U32(Handler());
    s.U32(0);                 // flags
    s.U16(0);                 // priority
    s.U16(0);                 // language
    s.U32(0);                 // initial frames
    s.U32(1);                 // scale
    s.U32(m_format.dwRate);
    s.U32(0);                 // start
    s.U32(static_cast<uint32_t>(m_nSamples)); // length in samples
    s.U32(dwChunkMax);        // suggested buffer size
    s.U32(0xFFFFFFFF);        // quality: the default
    s.U32(0);                 // sample size: varies
    s.U16(0);
    s.U16(0);
    s.U16(static_cast<uint16_t>(m_format.nWidth));
    s.U16(static_cast<uint16_t>(m_format.nHeight));
}

void CAviWriter::AppendStreamFormat(std::vector<uint8_t>& rOut) const
{
    BitmapInfoHeader info;
    info.biWidth = m_format.nWidth;
    info.biHeight = m_format.nHeight;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = Handler();
    info.biSizeImage = FrameDataBytes();
    ByteSink s(rOut);
    s.Id("strf");
    s.U32(BitmapInfoHeader::kBytes);
    const size_t nInfoAt = s.Size();
    s.Zeros(BitmapInfoHeader::kBytes);
    info.Encode(rOut.data() + nInfoAt);
}

void CAviWriter::AppendSuperIndex(std::vector<uint8_t>& rOut) const
{
    // The super index's room is JUNK until the file needs it, so a one-part file is plain AVI.
    const uint32_t dwIndxBytes = kSuperIndexHeaderBytes + kSuperIndexEntryBytes * kSuperIndexEntries;
    ByteSink s(rOut);
    if (m_parts.empty()) {
        s.Id("JUNK");
        s.U32(dwIndxBytes);
        s.Zeros(dwIndxBytes);
        return;
    }
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
}

void CAviWriter::AppendOdmlList(std::vector<uint8_t>& rOut) const
{
    // JUNK of the same size until there is a second part.
    ByteSink s(rOut);
    if (m_parts.empty()) {
        s.Id("JUNK");
        s.U32(4 + 8 + kDmlhBytes);
        s.Zeros(4 + 8 + kDmlhBytes);
        return;
    }
    s.Id("LIST");
    s.U32(4 + 8 + kDmlhBytes);
    s.Id("odml");
    s.Id("dmlh");
    s.U32(kDmlhBytes);
    s.U32(static_cast<uint32_t>(m_nSamples));
    s.Zeros(kDmlhBytes - 4);
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
    if (!WriteStdIndex(rStatus)) // ix00 closes the part's movi list
        return false;
    if (m_nPartOffset == 0) {
        if (!WriteIdx1(rStatus)) // the first part keeps idx1 for readers that know no OpenDML
            return false;
    } else {
        // A later part's sizes go into the headers StartPart wrote.
        const auto dwRiffSize = static_cast<uint32_t>(m_nBytesWritten - m_nPartOffset - 8);
        const auto dwMoviSize = static_cast<uint32_t>(m_nBytesWritten - m_nMoviOffset);
        if (!WriteAt(m_nPartOffset, PartHeader(dwRiffSize, dwMoviSize), rStatus))
            return false;
    }
    m_captures.clear();
    return true;
}

bool CAviWriter::WriteStdIndex(FileStatus& rStatus)
{
    // Entries point at chunk data, their offsets counted from the movi id (the base offset).
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
    return true;
}

bool CAviWriter::StartPart(FileStatus& rStatus)
{
    if (m_parts.size() >= kSuperIndexEntries) {
        rStatus = {EFBIG};
        return false;
    }
    // An empty part's headers until FinishPart writes its sizes.
    const std::vector<uint8_t> header = PartHeader(kPartHeaderBytes - 8, 4);
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
    if (!pBgrx || nStrideBytes / 4 < m_format.nWidth)
        return Fail({EINVAL}, pStatus);

    // The capture's data bytes; a JPEG is encoded into m_jpeg first.
    uint32_t dwDataBytes = 0;
    if (!EncodeCapture(pBgrx, nStrideBytes, dwDataBytes))
        return Fail({EIO}, pStatus);
    // The samples skipped since the previous capture become empty chunks before this one.
    const uint32_t dwEmpty = m_dwFrames == 0 ? 0 : m_format.dwSampleStep - 1;
    if (m_nSamples + dwEmpty + 1 > kMaxSamples)
        return Fail({EFBIG}, pStatus);
    const uint64_t nChunkBytes = 8ull * dwEmpty + 8 + dwDataBytes + (dwDataBytes & 1);

    // A new part when this one would grow too large, then the chunks in one write.
    FileStatus status;
    if (!MakeRoomFor(nChunkBytes, dwEmpty + 1, status))
        return Fail(status, pStatus);
    FillChunkBuffer(pBgrx, nStrideBytes, dwDataBytes, dwEmpty);
    status = m_file->Write(m_chunkBuffer.data(), m_chunkBuffer.size());
    if (!status.Ok())
        return Fail(status, pStatus);
    NoteCapture(dwDataBytes, dwEmpty);
    return true;
}

// Raw captures have a fixed size; a Motion JPEG one is encoded into m_jpeg (false when the
// encoder fails or the picture is too large for a chunk).
bool CAviWriter::EncodeCapture(const uint8_t* pBgrx, int nStrideBytes, uint32_t& rDataBytes)
{
    if (m_format.codec != AviCodec::Mjpeg) {
        rDataBytes = FrameDataBytes();
        return true;
    }
    if (!EncodeJpegBgrx(pBgrx, m_format.nWidth, m_format.nHeight, nStrideBytes, m_format.nJpegQuality, m_jpeg) ||
        m_jpeg.size() > kMaxRiffBytes / 4)
        return false;
    rDataBytes = static_cast<uint32_t>(m_jpeg.size());
    return true;
}

// Finishes the part and starts the next when nChunkBytes more (dwEntries index entries) would
// pass the OpenDML size; EFBIG when they do not fit even in a part of their own.
bool CAviWriter::MakeRoomFor(uint64_t nChunkBytes, uint32_t dwEntries, FileStatus& rStatus)
{
    if (m_nPartSamples > 0 && PartBytesWith(nChunkBytes, dwEntries) > m_format.nOpenDmlBytes) {
        if (!FinishPart(rStatus) || !StartPart(rStatus))
            return false;
    }
    if (PartBytesWith(nChunkBytes, dwEntries) - 8 > kMaxRiffBytes) {
        rStatus = {EFBIG};
        return false;
    }
    return true;
}

// m_chunkBuffer: dwEmpty empty '00dc' chunks, then the capture's chunk with its pad byte.
void CAviWriter::FillChunkBuffer(const uint8_t* pBgrx, int nStrideBytes, uint32_t dwDataBytes, uint32_t dwEmpty)
{
    m_chunkBuffer.clear();
    ByteSink s(m_chunkBuffer);
    for (uint32_t k = 0; k < dwEmpty; ++k) {
        s.Id("00dc");
        s.U32(0);
    }
    s.Id("00dc");
    s.U32(dwDataBytes);
    const size_t nDataAt = s.Size();
    if (m_format.codec == AviCodec::Mjpeg) {
        m_chunkBuffer.insert(m_chunkBuffer.end(), m_jpeg.data(), m_jpeg.data() + dwDataBytes);
    } else {
        m_chunkBuffer.resize(nDataAt + dwDataBytes, 0);
        PutDibRows(pBgrx, nStrideBytes, m_format.nWidth, m_format.nHeight, m_chunkBuffer.data() + nDataAt);
    }
    if (dwDataBytes & 1)
        s.U8(0);
}

// The chunks are in the file: their place for the indexes and the counts for the headers.
void CAviWriter::NoteCapture(uint32_t dwDataBytes, uint32_t dwEmpty)
{
    m_captures.push_back({m_nBytesWritten + 8ull * dwEmpty, dwDataBytes, dwEmpty});
    m_nBytesWritten += m_chunkBuffer.size();
    m_nSamples += dwEmpty + 1;
    m_nPartSamples += dwEmpty + 1;
    m_dwMaxChunkBytes = std::max(m_dwMaxChunkBytes, dwDataBytes);
    ++m_dwFrames;
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
