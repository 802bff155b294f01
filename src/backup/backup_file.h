#pragma once

// The files of a backup run, whatever their format: the run hands each capture with its time to
// a BackupFile and names the file at the end; a BackupFileMaker starts them.

#include "platform/file_store.h"

#include <cstdint>
#include <memory>
#include <string>

namespace ostrel {

// The "Avi Codec" setting: how backup files keep their pictures. The values are stored.
enum class BackupCodec : uint8_t {
    Raw = 0,   // AVI, uncompressed 24-bit (the default)
    Mjpeg = 1, // AVI, Motion JPEG
    Mp4 = 2,   // MP4, H.264 at the captures' own times
};
// The setting's byte as a codec; an unknown value is the default.
BackupCodec BackupCodecFromSetting(uint8_t byValue);

// One file of a recording run, written by the saving thread and dropped (removed) unless
// committed. Its format's writer: open (the maker), AddFrame, CloseAs.
class BackupFile {
public:
    virtual ~BackupFile() = default;
    // One capture: 640 x 480, B G R X, top-down rows nStrideBytes apart, taken at nTimeUs on a
    // monotonic clock (microseconds; formats with a fixed rate ignore it).
    virtual bool AddFrame(const uint8_t* pBgrx, int nStrideBytes, int64_t nTimeUs, FileStatus* pStatus) = 0;
    // Finishes the file under strPath, never replacing a file that exists: then EEXIST, and
    // the file stays ready for another name.
    virtual bool CloseAs(const std::string& strPath, FileStatus* pStatus) = 0;
    virtual uint32_t Frames() const = 0;
    // The file name's ending: ".avi", ".mp4".
    virtual const char* Extension() const = 0;
};

// Starts the files of a recording run.
class BackupFileMaker {
public:
    virtual ~BackupFileMaker() = default;
    // A new file in strFolder; null, with the reason in *pStatus, when it cannot start.
    virtual std::unique_ptr<BackupFile> Start(const std::string& strFolder, FileStatus* pStatus) = 0;
    // Creates the folder and its missing parents; true when it is a folder afterwards.
    virtual bool MakeFolder(const std::string& strFolder) = 0;
};

} // namespace ostrel
