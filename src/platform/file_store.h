#pragma once

#include "platform/local_writable_file.h"
#include "platform/writable_file.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The program's files: whole-file writes of its own data files, files the operator keeps
// written in steps, and bounded reads of untrusted files.

namespace ostrel {

// What a bounded read found.
struct FileReadResult {
    enum class Kind {
        Ok,      // the bytes are in the caller's vector
        Missing, // no file of that name (ENOENT, or a folder on the way is missing)
        Failed,  // it exists but cannot be read (no permission, a folder, not a regular file)
    };
    Kind kind = Kind::Failed;
    bool bTruncated = false; // Ok, but the file holds more than the limit; only the limit was read
    int nErrno = 0;          // errno of a Missing or Failed read, else 0
};

class FileStore {
public:
    virtual ~FileStore() = default;
    // Replaces the file at strPath with exactly nBytes from pData. The replacement is atomic:
    // on failure the previous file, if any, is left as it was. True on success. A new file gets
    // the mode access asks for; a replaced one keeps its own.
    virtual bool WriteWhole(const std::string& strPath, const uint8_t* pData, size_t nBytes,
                            FileAccess access = FileAccess::Shared) = 0;
    // Deletes the file; true when it is gone afterwards (also when it never existed).
    virtual bool Remove(const std::string& strPath) = 0;
    // Starts writing the file strPath (see WritableFile: nothing shows under that name before
    // its Close succeeds). Null when the file cannot be started, with the errno in *pStatus:
    // ENOENT for a missing folder, EACCES, EROFS, ENOSPC, EMFILE, EISDIR for an empty name or
    // one ending in '/', EEXIST when no free temporary name was found. *pStatus is Ok
    // otherwise; pStatus may be null.
    virtual std::unique_ptr<WritableFile> OpenWritable(const std::string& strPath, FileStatus* pStatus = nullptr) = 0;
    // Reads at most nMaxBytes from the start of the file into rOut, which is replaced (and left
    // empty unless the result is Ok). Allocates at most nMaxBytes for rOut, whatever the file's
    // size; a file that grows while it is read is read no further than the limit.
    virtual FileReadResult ReadAtMost(const std::string& strPath, size_t nMaxBytes, std::vector<uint8_t>& rOut) = 0;
    // Creates the folder and its missing parents; true when it is a folder afterwards.
    virtual bool MakeFolder(const std::string& strPath) = 0;
};

// The local file system, through POSIX calls. Usable from any thread.
class LocalFileStore final : public FileStore {
public:
    LocalFileStore() = default;
    // Commits without replacing through these calls (a test makes them fail as some mounts do).
    explicit LocalFileStore(NoReplaceCalls calls) : m_calls(calls) {}

    bool WriteWhole(const std::string& strPath, const uint8_t* pData, size_t nBytes,
                    FileAccess access = FileAccess::Shared) override;
    bool Remove(const std::string& strPath) override;
    std::unique_ptr<WritableFile> OpenWritable(const std::string& strPath, FileStatus* pStatus = nullptr) override;
    FileReadResult ReadAtMost(const std::string& strPath, size_t nMaxBytes, std::vector<uint8_t>& rOut) override;
    bool MakeFolder(const std::string& strPath) override;

private:
    NoReplaceCalls m_calls;
};

} // namespace ostrel
