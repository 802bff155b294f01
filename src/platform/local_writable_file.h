#pragma once

#include "platform/writable_file.h"

#include <memory>
#include <string>

namespace ostrel {

// A WritableFile on the local file system through POSIX calls. The temporary is
// "<final name>.part-<six letters>" in the same folder (so the rename never crosses file
// systems), created exclusively with the usual permissions less the umask. Bytes go straight
// to the file, without buffering here, so every write's failure is its own.
class LocalWritableFile final : public WritableFile {
public:
    // Null when the temporary cannot be created; *pStatus (when given) says why.
    static std::unique_ptr<LocalWritableFile> Open(const std::string& strPath, FileStatus* pStatus);
    ~LocalWritableFile() override;
    LocalWritableFile(const LocalWritableFile&) = delete;
    LocalWritableFile& operator=(const LocalWritableFile&) = delete;

    FileStatus Write(const uint8_t* pData, size_t nBytes) override;
    FileStatus Seek(uint64_t nOffset) override;
    uint64_t Position() const override { return m_nPosition; }
    uint64_t Size() const override { return m_nSize; }
    FileStatus Close() override;
    FileStatus CloseAs(const std::string& strFinalPath) override;

    // The temporary's name while the file is open (for tests and messages).
    const std::string& TemporaryPath() const { return m_strTemp; }

private:
    LocalWritableFile(std::string strPath, std::string strTemp, int fd);
    FileStatus Fail(int nErrno);
    void Discard();
    // After the temporary is in place under its final name: close, sync the folder.
    FileStatus Finish(const std::string& strFinalPath, bool bTemporaryStays);

    std::string m_strPath;
    std::string m_strTemp;
    int m_fd = -1;              // -1 once closed or discarded
    int m_nFailErrno = 0;       // the first failure, repeated by every later call
    uint64_t m_nPosition = 0;   // bytes from the start
    uint64_t m_nSize = 0;       // bytes
};

} // namespace ostrel
