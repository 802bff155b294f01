#pragma once

#include "platform/writable_file.h"

#include <memory>
#include <string>

namespace ostrel {

// The two calls that commit a file without replacing another; each returns 0, or -1 with errno
// set, as the system calls do. A seam, so that a test can refuse them as mounts do: exfat-fuse
// answers EINVAL to a no-replace rename, FAT and SMB refuse hard links with EPERM.
struct NoReplaceCalls {
    int (*pRenameNoReplace)(const char* pszFrom, const char* pszTo) = nullptr; // null: renameat2
    int (*pLink)(const char* pszFrom, const char* pszTo) = nullptr;            // null: link
};

// A WritableFile on the local file system through POSIX calls. The temporary is
// "<final name>.part-<six letters>" in the same folder (so the rename never crosses file
// systems), created exclusively: 0600 while it is to replace a file, which lends it its mode
// (and owner, where the system allows) at Close; else, and at CloseAs, with the mode access
// asks for. Bytes go
// straight to the file, without buffering here, so every write's failure is its own.
class LocalWritableFile final : public WritableFile {
public:
    // Null when the temporary cannot be created; *pStatus (when given) says why.
    static std::unique_ptr<LocalWritableFile> Open(const std::string& strPath, FileStatus* pStatus,
                                                   FileAccess access = FileAccess::Shared,
                                                   NoReplaceCalls calls = {});
    ~LocalWritableFile() override;
    LocalWritableFile(const LocalWritableFile&) = delete;
    LocalWritableFile& operator=(const LocalWritableFile&) = delete;

    FileStatus Write(const uint8_t* pData, size_t nBytes) override;
    FileStatus Seek(uint64_t nOffset) override;
    uint64_t Position() const override { return m_nPosition; }
    uint64_t Size() const override { return m_nSize; }
    FileStatus ReadAt(uint64_t nOffset, uint8_t* pData, size_t nBytes, size_t* pnRead) override;
    FileStatus Close() override;
    FileStatus CloseAs(const std::string& strFinalPath) override;

    // The temporary's name while the file is open (for tests and messages).
    const std::string& TemporaryPath() const { return m_strTemp; }

private:
    LocalWritableFile(std::string strPath, std::string strTemp, int fd, NoReplaceCalls calls);
    FileStatus Fail(int nErrno);
    // Where no call refuses to replace: an exclusive create reserves the name, the rename goes
    // over that reservation.
    FileStatus CloseOverReservation(const std::string& strFinalPath);
    void Discard();
    // After the temporary is in place under its final name: close, sync the folder.
    FileStatus Finish(const std::string& strFinalPath, bool bTemporaryStays);

    std::string m_strPath;
    std::string m_strTemp;
    NoReplaceCalls m_calls;
    bool m_bSharedUnderNewName = false; // made 0600 to lend it a file's mode; CloseAs makes it Shared
    int m_fd = -1;              // -1 once closed or discarded
    int m_nFailErrno = 0;       // the first failure, repeated by every later call
    uint64_t m_nPosition = 0;   // bytes from the start
    uint64_t m_nSize = 0;       // bytes
};

} // namespace ostrel
