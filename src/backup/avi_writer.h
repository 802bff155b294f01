#pragma once

// Writing one AVI backup file: captures of the play area in, a RIFF/AVI file out.

#include "platform/file_store.h"
#include "platform/writable_file.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ostrel {

enum class AviCodec : uint8_t { Raw = 0, Mjpeg = 1 };

struct AviFormat {
    int nWidth = 640;              // pixels, 1..kMaxSide
    int nHeight = 480;             // pixels, 1..kMaxSide
    AviCodec codec = AviCodec::Raw;
    uint32_t dwRate = 60;          // samples per second (scale 1)
    uint32_t dwSampleStep = 10;    // each capture plays this many samples, 1..kMaxSampleStep
    int nJpegQuality = 80;         // Motion JPEG only, 1..100
    uint64_t nOpenDmlBytes = 1ull << 30; // past this size the file goes on in OpenDML (AVI 2.0) parts

    static constexpr int kMaxSide = 8192;
    static constexpr uint32_t kMaxSampleStep = 65535;
    static constexpr uint64_t kMaxOpenDmlBytes = 1ull << 31;
};

// One AVI file being written: a single 'vids' stream at dwRate samples per second, one capture
// every dwSampleStep samples. Capture i is a key frame at sample dwSampleStep * i; every sample
// in between is an empty '00dc' chunk, so n captures make a stream of dwSampleStep * (n - 1) + 1
// samples (strh dwLength; avih dwTotalFrames while the file is one RIFF part).
//
// Up to nOpenDmlBytes the file is a plain AVI: RIFF 'AVI ' with hdrl, movi and idx1. Past it, the
// file goes on in RIFF 'AVIX' parts of at most nOpenDmlBytes each (more only when one capture
// alone does not fit: a part always takes at least one), each with its own movi list ending in
// an 'ix00' standard index. The strl then carries an 'indx' super index (room for
// kSuperIndexEntries parts, reserved as JUNK from the start) and hdrl an 'odml' list whose
// 'dmlh' holds the whole stream's length, while avih counts the first part's samples only. The
// first part keeps its idx1 for readers that know no OpenDML.
//
// What ffprobe/ffmpeg (5.1) make of it, e.g. 4 captures at 60 samples a second, step 10:
// codec rawvideo (bgr24) or mjpeg (yuvj420p, tag MJPG), r_frame_rate 60/1, time_base 1/60,
// nb_frames 31 and duration 0.516667 s (the stream's samples, 31/60), 4 pictures counted by
// -count_frames. Empty chunks are no pictures: decoding with "-fps_mode passthrough" gives the
// 4 captures; the default constant-rate output repeats each to fill its samples (39 pictures,
// about ten a capture). A file of several OpenDML parts (tried with a
// 4.3 GB one in five parts) is counted and decoded the same way to its last capture, and seeks
// land on the right capture through the indexes.
//
// Use from one thread at a time. Nothing shows under the file's name before Close succeeds.
class CAviWriter {
public:
    static constexpr uint32_t kSuperIndexEntries = 256; // most RIFF parts one file can have

    CAviWriter();
    ~CAviWriter();                 // an open file is abandoned (its temporary removed), never committed
    CAviWriter(const CAviWriter&) = delete;
    CAviWriter& operator=(const CAviWriter&) = delete;

    // Starts strPath through files.OpenWritable (nothing appears under strPath before Close).
    // False with the errno in *pStatus when it cannot start: that of OpenWritable or of writing
    // the headers, EINVAL for an impossible format, EBUSY while another file is open here.
    bool Open(FileStore& files, const std::string& strPath, const AviFormat& format, FileStatus* pStatus = nullptr);
    // One capture: nWidth x nHeight pixels, top-down rows nStrideBytes apart, 4 bytes a pixel
    // laid out B, G, R, X (a QImage::Format_RGB32 image's memory). Raw: written as 24-bit
    // bottom-up DIB rows; Mjpeg: encoded as one JPEG. False (the file has failed; Close then
    // removes it) on a write error, with its errno; also EINVAL for a null picture or a stride
    // under nWidth * 4, EIO when the JPEG encoder fails, EFBIG when the file would need more
    // than kSuperIndexEntries parts or 2^32 samples, EBADF when no file is open.
    bool AddFrame(const uint8_t* pBgrx, int nStrideBytes, FileStatus* pStatus = nullptr);
    // Finishes the indexes and headers and commits the file under its name. A file with no
    // frame is not committed (returns false, status Ok, nothing left behind). On failure the
    // errno of the write, seek or commit (or of the earlier failure); nothing is left behind.
    // The writer is closed afterwards either way; EBADF when it was not open.
    bool Close(FileStatus* pStatus = nullptr);
    // As Close, but commits under strFinalPath (in the folder given to Open) and never over an
    // existing file: then false with EEXIST, and the finished file stays open for another name.
    bool CloseAs(const std::string& strFinalPath, FileStatus* pStatus = nullptr);
    void Abort();                  // removes what was written
    // True from a successful Open until Close or Abort, also after a failed AddFrame.
    bool IsOpen() const;
    uint32_t FramesWritten() const;  // captures, not samples
    uint64_t BytesWritten() const;   // the file's size so far (kept after Close)

private:
    // One capture's chunk within the current part; the empty chunks of the skipped samples
    // before it sit right before it, 8 bytes each.
    struct CaptureEntry {
        uint64_t nChunkOffset = 0;  // file offset of the chunk's header
        uint32_t dwBytes = 0;       // the chunk's data bytes, without its pad byte
        uint32_t dwEmptyBefore = 0; // empty chunks right before it
    };
    // A finished part, for the super index.
    struct PartEntry {
        uint64_t nIndexOffset = 0;  // file offset of the part's ix00 chunk header
        uint32_t dwIndexBytes = 0;  // the ix00 chunk, header included
        uint32_t dwSamples = 0;     // chunks (samples) the part holds
    };

    void ResetFor(const AviFormat& format);
    bool WriteFirstHeaders(FileStatus& rStatus);
    std::vector<uint8_t> BuildHeaders() const;
    void AppendMainHeader(std::vector<uint8_t>& rOut) const;
    void AppendStreamList(std::vector<uint8_t>& rOut) const;
    void AppendStreamHeader(std::vector<uint8_t>& rOut) const;
    void AppendStreamFormat(std::vector<uint8_t>& rOut) const;
    void AppendSuperIndex(std::vector<uint8_t>& rOut) const;
    void AppendOdmlList(std::vector<uint8_t>& rOut) const;
    uint32_t ChunkMaxBytes() const;
    uint32_t Handler() const;
    bool EncodeCapture(const uint8_t* pBgrx, int nStrideBytes, uint32_t& rDataBytes);
    bool MakeRoomFor(uint64_t nChunkBytes, uint32_t dwEntries, FileStatus& rStatus);
    void FillChunkBuffer(const uint8_t* pBgrx, int nStrideBytes, uint32_t dwDataBytes, uint32_t dwEmpty);
    void NoteCapture(uint32_t dwDataBytes, uint32_t dwEmpty);
    uint64_t PartBytesWith(uint64_t nMoreChunkBytes, uint64_t nMoreEntries) const;
    bool WriteIdx1(FileStatus& rStatus);
    bool FinishPart(FileStatus& rStatus);
    bool WriteStdIndex(FileStatus& rStatus);
    bool StartPart(FileStatus& rStatus);
    bool Fail(const FileStatus& status, FileStatus* pStatus);
    bool Commit(const std::string* pFinalPath, FileStatus* pStatus);
    bool WriteAt(uint64_t nOffset, const std::vector<uint8_t>& bytes, FileStatus& rStatus);
    uint32_t FrameDataBytes() const;

    std::unique_ptr<WritableFile> m_file;
    AviFormat m_format;
    bool m_bOpen = false;
    bool m_bFinished = false;           // indexes and headers written; only the commit is left
    int m_nFailErrno = 0;               // the first failure, repeated until Close or Abort
    uint32_t m_dwFrames = 0;            // captures written
    uint64_t m_nSamples = 0;            // chunks written, empty ones included
    uint64_t m_nBytesWritten = 0;
    uint32_t m_dwMaxChunkBytes = 0;     // the largest capture chunk's data bytes
    uint64_t m_nFirstPartSamples = 0;   // chunks in the first part once it is finished
    uint64_t m_nHeaderBytes = 0;        // the first part's headers up to its movi list's data
    uint32_t m_dwFirstRiffSize = 0;     // the first part's RIFF size field, once known
    uint32_t m_dwFirstMoviSize = 4;     // its movi list's size field, once known

    uint64_t m_nPartOffset = 0;         // file offset of the current part's 'RIFF'
    uint64_t m_nMoviOffset = 0;         // file offset of the current movi list's 'movi' id
    uint64_t m_nPartSamples = 0;        // chunks in the current part
    std::vector<CaptureEntry> m_captures; // of the current part
    std::vector<PartEntry> m_parts;       // finished parts

    std::vector<uint8_t> m_chunkBuffer;   // one capture's chunks, reused
    std::vector<uint8_t> m_jpeg;          // one encoded capture, reused
};

} // namespace ostrel
