#pragma once

#include "backup/backup_file.h"
#include "platform/file_store.h"

#include <atomic>

namespace ostrel {

// The program's backup files: 640 x 480 captures as uncompressed or Motion JPEG AVI files, or as
// H.264 in MP4, as the "Avi Codec" setting says. Each format's writer is started through one row
// of a table (its codec, its working name, its start), so a new format is its writer and a row.
class CBackupFileMaker final : public BackupFileMaker {
public:
    explicit CBackupFileMaker(FileStore& rFiles) : m_rFiles(rFiles) {}
    // Files started from now on (the saving thread reads it when it starts one).
    void SetCodec(BackupCodec codec) { m_codec.store(codec); }
    // A file is written as "recording.avi" (or ".mp4") until it gets its name.
    std::unique_ptr<BackupFile> Start(const std::string& strFolder, FileStatus* pStatus) override;
    bool MakeFolder(const std::string& strFolder) override { return m_rFiles.MakeFolder(strFolder); }

private:
    FileStore& m_rFiles;
    std::atomic<BackupCodec> m_codec{BackupCodec::Raw};
};

} // namespace ostrel
