#include "backup/backup_file_maker.h"

#include "backup/avi_backup.h"
#include "backup/avi_writer.h"
#include "backup/mp4_writer.h"

#include <filesystem>

namespace ostrel {

BackupCodec BackupCodecFromSetting(uint8_t byValue)
{
    return byValue <= static_cast<uint8_t>(BackupCodec::Mp4) ? static_cast<BackupCodec>(byValue) : BackupCodec::Raw;
}

namespace {

// An AVI file of the run: the sample layout is fixed (a capture every 1/6 s), so the times go.
class AviBackupFile final : public BackupFile {
public:
    bool Open(FileStore& files, const std::string& strPath, AviCodec codec, FileStatus* pStatus)
    {
        AviFormat format;
        format.nWidth = CAviBackup::kFrameWidth;
        format.nHeight = CAviBackup::kFrameHeight;
        format.codec = codec;
        return m_writer.Open(files, strPath, format, pStatus);
    }
    bool AddFrame(const uint8_t* pBgrx, int nStrideBytes, int64_t, FileStatus* pStatus) override
    {
        return m_writer.AddFrame(pBgrx, nStrideBytes, pStatus);
    }
    bool CloseAs(const std::string& strPath, FileStatus* pStatus) override { return m_writer.CloseAs(strPath, pStatus); }
    uint32_t Frames() const override { return m_writer.FramesWritten(); }
    const char* Extension() const override { return ".avi"; }

private:
    CAviWriter m_writer; // an uncommitted file is removed with it
};

template <AviCodec codec>
std::unique_ptr<BackupFile> StartAvi(FileStore& files, const std::string& strPath, FileStatus* pStatus)
{
    auto pFile = std::make_unique<AviBackupFile>();
    if (!pFile->Open(files, strPath, codec, pStatus))
        return nullptr;
    return pFile;
}

std::unique_ptr<BackupFile> StartMp4(FileStore& files, const std::string& strPath, FileStatus* pStatus)
{
    Mp4Format format;
    format.nWidth = CAviBackup::kFrameWidth;
    format.nHeight = CAviBackup::kFrameHeight;
    auto pFile = std::make_unique<CMp4Writer>();
    if (!pFile->Open(files, strPath, format, pStatus))
        return nullptr;
    return pFile;
}

struct FormatRow {
    BackupCodec codec;
    const char* pszWorkingName;
    std::unique_ptr<BackupFile> (*pStart)(FileStore&, const std::string&, FileStatus*);
};
constexpr FormatRow kFormats[] = {
    {BackupCodec::Raw, "recording.avi", StartAvi<AviCodec::Raw>},
    {BackupCodec::Mjpeg, "recording.avi", StartAvi<AviCodec::Mjpeg>},
    {BackupCodec::Mp4, "recording.mp4", StartMp4},
};

} // namespace

std::unique_ptr<BackupFile> CBackupFileMaker::Start(const std::string& strFolder, FileStatus* pStatus)
{
    const BackupCodec codec = m_codec.load();
    const FormatRow* pRow = &kFormats[0]; // a codec without a row is the default's
    for (const FormatRow& row : kFormats)
        if (row.codec == codec)
            pRow = &row;
    return pRow->pStart(m_rFiles, (std::filesystem::path(strFolder) / pRow->pszWorkingName).string(), pStatus);
}

} // namespace ostrel
