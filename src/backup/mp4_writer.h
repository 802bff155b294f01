#pragma once

// Writing one MP4 backup file: captures with their times in, H.264 in an MP4 file out.

#include "backup/backup_file.h"
#include "platform/file_store.h"
#include "platform/writable_file.h"

#include <cstdint>
#include <memory>
#include <string>

struct AVCodec;

namespace ostrel {

struct Mp4Format {
    int nWidth = 640;            // pixels, even, 16..kMaxSide
    int nHeight = 480;           // pixels, even, 16..kMaxSide
    int nCrf = 20;               // constant quality, 0 (lossless) .. 51; lower is better and larger
    int nMaxKbps = 4000;         // the bit rate no stretch of the file exceeds (kbit/s), 100..100000
    int nKeyInterval = 60;       // at most this many pictures from one key picture to the next, 1..600
    int nNominalRate = 30;       // pictures a second the encoder plans for; the times decide, 1..240

    static constexpr int kMaxSide = 4096;
};

// One MP4 file being written: a single H.264 video track (main profile, yuv420p, BT.601
// limited range, no B pictures) whose pictures carry the times they were captured, on a
// 90 kHz timeline starting at the first capture. Each picture lasts until the next one; the
// last lasts as long as the one before it (1/30 s when it is the only one). The index ('moov')
// is put in front of the pictures when the file is finished, so a player starts at once, also
// over a network.
//
// libx264 through libavcodec, on the calling thread only (one encoder thread), and libavformat's
// MP4 muxer writing through the WritableFile, so nothing shows under the file's name before
// CloseAs succeeds and every write error is the file's.
//
// Use from one thread at a time.
class CMp4Writer final : public BackupFile {
public:
    CMp4Writer();
    ~CMp4Writer() override; // an open file is abandoned (its temporary removed), never committed
    CMp4Writer(const CMp4Writer&) = delete;
    CMp4Writer& operator=(const CMp4Writer&) = delete;

    // Starts strPath through files.OpenWritable. False with the errno in *pStatus when it cannot
    // start: that of OpenWritable or of writing, EINVAL for an impossible format, ENOTSUP when
    // no H.264 encoder is there, EBUSY while another file is open here.
    bool Open(FileStore& files, const std::string& strPath, const Mp4Format& format, FileStatus* pStatus = nullptr);
    // One capture: nWidth x nHeight pixels, B G R X, top-down rows nStrideBytes apart, taken at
    // nTimeUs (microseconds on a monotonic clock). A time not after the previous one is taken as
    // the next 90 kHz tick. False (the file has failed; it is removed) on a write or encoder
    // error, with its errno; EINVAL for a null picture or a short stride; EBADF when not open.
    bool AddFrame(const uint8_t* pBgrx, int nStrideBytes, int64_t nTimeUs, FileStatus* pStatus) override;
    // Encodes what is left, writes the index in front and commits the file under strFinalPath
    // (in Open's folder), never over an existing file: then false with EEXIST, and the finished
    // file stays for another name. No picture: not committed, false with status Ok. Any other
    // failure removes the file.
    bool CloseAs(const std::string& strFinalPath, FileStatus* pStatus) override;
    uint32_t Frames() const override { return m_dwFrames; }
    const char* Extension() const override { return ".mp4"; }

    bool IsOpen() const { return m_file != nullptr; }
    uint64_t BytesWritten() const { return m_nBytes; } // the file's size so far (kept after CloseAs)

    static constexpr int kTimeScale = 90000; // ticks a second of the file's timeline

private:
    struct Av; // the libav objects

    // Open's steps: each answers 0 or the errno Open fails with.
    int AllocateAv(const AVCodec* pCodec);
    int OpenEncoder(const AVCodec* pCodec);
    int MakePictureAndStream();
    int OpenOutput(FileStore& files, const std::string& strPath);
    int WriteHeader();
    bool Fail(int nErrno, FileStatus* pStatus);
    int ErrnoOf(int nAvError) const;
    bool DrainPackets(bool bLast, FileStatus* pStatus);
    // Writes the held packet as lasting nDuration ticks of the track (at least one).
    bool WriteHeld(int64_t nDuration, FileStatus* pStatus);
    bool Finish(FileStatus* pStatus);
    void Release();

    // libavformat's I/O over m_file.
    static int WritePacket(void* pOpaque, uint8_t* pData, int nBytes);
    static int64_t SeekTo(void* pOpaque, int64_t nOffset, int nWhence);

    std::unique_ptr<Av> m_av;
    std::unique_ptr<WritableFile> m_file;
    Mp4Format m_format;
    bool m_bFinished = false;   // index written; only the commit is left
    int m_nFailErrno = 0;       // the first I/O failure seen by the callbacks
    uint32_t m_dwFrames = 0;
    int64_t m_nFirstUs = 0;
    int64_t m_nLastPts = -1;    // of the last capture, in 1/kTimeScale s
    int64_t m_nLastStep = 0;    // between the last two captures
    uint64_t m_nBytes = 0;
};

} // namespace ostrel
