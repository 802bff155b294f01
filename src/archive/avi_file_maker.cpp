#include "archive/avi_file_maker.h"

#include <filesystem>

namespace ostrel {

namespace {

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
    bool AddFrame(const uint8_t* pBgrx, int nStrideBytes, FileStatus* pStatus) override
    {
        return m_writer.AddFrame(pBgrx, nStrideBytes, pStatus);
    }
    bool Commit(const std::string& strPath, FileStatus* pStatus) override
    {
        return m_writer.CloseAs(strPath, pStatus);
    }
    uint32_t Frames() const override { return m_writer.FramesWritten(); }

private:
    CAviWriter m_writer; // an uncommitted file is removed with it
};

} // namespace

std::unique_ptr<BackupFile> CAviFileMaker::Start(const std::string& strFolder, FileStatus* pStatus)
{
    auto pFile = std::make_unique<AviBackupFile>();
    const std::string strPath = (std::filesystem::path(strFolder) / kWorkingName).string();
    if (!pFile->Open(m_rFiles, strPath, m_codec.load(), pStatus))
        return nullptr;
    return pFile;
}

} // namespace ostrel
