#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Whole-file writes of the program's own data files.

namespace ostrel {

class FileStore {
public:
    virtual ~FileStore() = default;
    // Replaces the file at strPath with exactly nBytes from pData. The replacement is atomic:
    // on failure the previous file, if any, is left as it was. True on success.
    virtual bool WriteWhole(const std::string& strPath, const uint8_t* pData, size_t nBytes) = 0;
    // Deletes the file; true when it is gone afterwards (also when it never existed).
    virtual bool Remove(const std::string& strPath) = 0;
};

// The local file system, through POSIX calls.
class LocalFileStore final : public FileStore {
public:
    bool WriteWhole(const std::string& strPath, const uint8_t* pData, size_t nBytes) override;
    bool Remove(const std::string& strPath) override;
};

} // namespace ostrel
