#pragma once

#include "archive/avi_backup.h"
#include "archive/avi_writer.h"
#include "platform/file_store.h"

#include <atomic>

namespace ostrel {

// The backup's files as AVI files of 640 x 480 captures: uncompressed, or Motion JPEG.
class CAviFileMaker final : public BackupFileMaker {
public:
    static constexpr const char* kWorkingName = "recording.avi"; // until the file gets its name

    explicit CAviFileMaker(FileStore& rFiles) : m_rFiles(rFiles) {}
    // Files started from now on (the saving thread reads it when it starts one).
    void SetCodec(AviCodec codec) { m_codec.store(codec); }
    std::unique_ptr<BackupFile> Start(const std::string& strFolder, FileStatus* pStatus) override;
    bool MakeFolder(const std::string& strFolder) override { return m_rFiles.MakeFolder(strFolder); }

private:
    FileStore& m_rFiles;
    std::atomic<AviCodec> m_codec{AviCodec::Raw};
};

} // namespace ostrel
