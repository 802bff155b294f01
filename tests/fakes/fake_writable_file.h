#pragma once

#include "fakes/fake_file_store.h"
#include "platform/writable_file.h"

#include <string>
#include <vector>

namespace ostrel::test {

// A file of a FakeFileStore being written: its bytes stay here until Close puts them into the
// store's `files`. Follows WritableFile's rules (sticky failures, no seek past the end) and
// the faults the store had when it was opened.
class FakeWritableFile final : public WritableFile {
public:
    FakeWritableFile(FakeFileStore& rStore, std::string strPath, const FakeFileStore::WritableFaults& faults,
                     bool bFailWrites);
    ~FakeWritableFile() override;
    FakeWritableFile(const FakeWritableFile&) = delete;
    FakeWritableFile& operator=(const FakeWritableFile&) = delete;

    FileStatus Write(const uint8_t* pData, size_t nBytes) override;
    FileStatus Seek(uint64_t nOffset) override;
    uint64_t Position() const override { return m_nPosition; }
    uint64_t Size() const override { return m_bytes.size(); }
    FileStatus ReadAt(uint64_t nOffset, uint8_t* pData, size_t nBytes, size_t* pnRead) override;
    FileStatus Close() override;
    FileStatus CloseAs(const std::string& strFinalPath) override;

private:
    FileStatus Fail(int nErrno);
    FileStatus Closed() const { return {m_nFailErrno != 0 ? m_nFailErrno : EBADF}; }
    FileStatus Commit(const std::string& strPath);
    void End();

    FakeFileStore& m_rStore;
    std::string m_strPath;
    FakeFileStore::WritableFaults m_faults;
    std::vector<uint8_t> m_bytes;
    uint64_t m_nPosition = 0;
    bool m_bOpen = true;
    int m_nFailErrno = 0;
};

} // namespace ostrel::test
