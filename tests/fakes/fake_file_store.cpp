#include "fakes/fake_file_store.h"

#include "fakes/fake_writable_file.h"

#include <algorithm>

namespace ostrel::test {

bool FakeFileStore::WriteWhole(const std::string& strPath, const uint8_t* pData, size_t nBytes, FileAccess)
{
    if (onWriteWhole)
        onWriteWhole(pData, nBytes);
    ++nWriteAttempts;
    if (bFailWrites || nBytes > writableFaults.nSpaceBytes || writableFaults.bFailClose || !TakeCommit())
        return false;
    files[strPath].assign(pData, pData + nBytes);
    return true;
}

bool FakeFileStore::Remove(const std::string& strPath)
{
    files.erase(strPath);
    return true;
}

bool FakeFileStore::MakeFolder(const std::string& strPath)
{
    if (bFailFolders || strPath.empty())
        return false;
    folders.insert(strPath);
    return true;
}

std::unique_ptr<WritableFile> FakeFileStore::OpenWritable(const std::string& strPath, FileStatus* pStatus)
{
    if (pStatus)
        *pStatus = {nOpenErrno};
    if (nOpenErrno != 0)
        return nullptr;
    return std::make_unique<FakeWritableFile>(*this, strPath, writableFaults, bFailWrites);
}

FileReadResult FakeFileStore::ReadAtMost(const std::string& strPath, size_t nMaxBytes, std::vector<uint8_t>& rOut)
{
    rOut.clear();
    FileReadResult result;
    if (const auto failed = failedReads.find(strPath); failed != failedReads.end()) {
        result.nErrno = failed->second;
        return result;
    }
    const auto it = files.find(strPath);
    if (it == files.end()) {
        result.kind = FileReadResult::Kind::Missing;
        result.nErrno = ENOENT;
        return result;
    }
    const std::vector<uint8_t>& bytes = it->second;
    const size_t nTake = std::min(nMaxBytes, bytes.size());
    rOut.assign(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(nTake));
    result.kind = FileReadResult::Kind::Ok;
    result.bTruncated = bytes.size() > nMaxBytes;
    return result;
}

} // namespace ostrel::test
