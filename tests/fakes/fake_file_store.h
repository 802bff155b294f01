#pragma once

#include "platform/file_store.h"

#include <map>
#include <string>
#include <vector>

namespace ostrel::test {

// Files in memory; bFailWrites makes every write fail as a full disk would.
class FakeFileStore final : public FileStore {
public:
    bool WriteWhole(const std::string& strPath, const uint8_t* pData, size_t nBytes) override
    {
        ++nWriteAttempts;
        if (bFailWrites)
            return false;
        files[strPath].assign(pData, pData + nBytes);
        return true;
    }
    bool Remove(const std::string& strPath) override
    {
        files.erase(strPath);
        return true;
    }

    bool bFailWrites = false;
    int nWriteAttempts = 0;
    std::map<std::string, std::vector<uint8_t>> files;
};

} // namespace ostrel::test
