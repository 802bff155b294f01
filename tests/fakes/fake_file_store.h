#pragma once

#include "platform/file_store.h"

#include <cerrno>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace ostrel::test {

// Files in memory; bFailWrites makes every write fail as a full disk would. Files written in
// steps (OpenWritable) show in `files` only once committed; the faults below make them fail
// where a test asks. Whole-file writes meet the same faults, as the real one, which writes a
// temporary in steps and commits it, does. The store must outlive the files it opened.
class FakeFileStore final : public FileStore {
public:
    bool WriteWhole(const std::string& strPath, const uint8_t* pData, size_t nBytes,
                    FileAccess access = FileAccess::Shared) override;
    bool Remove(const std::string& strPath) override;
    std::unique_ptr<WritableFile> OpenWritable(const std::string& strPath, FileStatus* pStatus = nullptr) override;
    FileReadResult ReadAtMost(const std::string& strPath, size_t nMaxBytes, std::vector<uint8_t>& rOut) override;
    // Records the folder; fails when bFailFolders.
    bool MakeFolder(const std::string& strPath) override;

    // Faults of the files opened from now on.
    struct WritableFaults {
        uint64_t nSpaceBytes = UINT64_MAX; // a write taking the file beyond this many bytes fails
        int nWriteErrno = ENOSPC;          // ... with this errno
        bool bFailSeek = false;            // every seek fails with EIO
        bool bFailClose = false;           // the commit fails ...
        int nCloseErrno = EIO;             // ... with this errno (EIO of the flush, EISDIR of a rename)
    };

    // Whether a commit (a whole-file write or a Close/CloseAs) may succeed now; counts it.
    bool TakeCommit() { return nCommitsLeft < 0 || nCommitsLeft-- > 0; }

    bool bFailWrites = false;
    int nCommitsLeft = -1;                 // when >= 0, commits after this many fail (the disk filled
                                           // up for good); negative: no limit
    int nWriteAttempts = 0;                // WriteWhole calls
    int nOpenErrno = 0;                    // when set, OpenWritable fails with it
    WritableFaults writableFaults;
    std::map<std::string, std::vector<uint8_t>> files;
    std::map<std::string, int> failedReads;    // path -> errno of every ReadAtMost of it
    std::multiset<std::string> temporaries;    // final names of files written and not yet ended
    std::set<std::string> folders;             // made by MakeFolder
    std::function<void(const uint8_t*, size_t)> onWriteWhole; // first in WriteWhole, on the writer's thread
    bool bFailFolders = false;
};

} // namespace ostrel::test
