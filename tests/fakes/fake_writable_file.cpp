#include "fakes/fake_writable_file.h"

#include <algorithm>
#include <cstring>

namespace ostrel::test {

FakeWritableFile::FakeWritableFile(FakeFileStore& rStore, std::string strPath,
                                   const FakeFileStore::WritableFaults& faults, bool bFailWrites)
    : m_rStore(rStore), m_strPath(std::move(strPath)), m_faults(faults)
{
    if (bFailWrites)
        m_faults.nSpaceBytes = 0;
    m_rStore.temporaries.insert(m_strPath);
}

FakeWritableFile::~FakeWritableFile()
{
    End();
}

void FakeWritableFile::End()
{
    if (!m_bOpen)
        return;
    m_bOpen = false;
    m_bytes.clear();
    m_rStore.temporaries.erase(m_rStore.temporaries.find(m_strPath));
}

FileStatus FakeWritableFile::Fail(int nErrno)
{
    End();
    m_nFailErrno = nErrno;
    return {nErrno};
}

FileStatus FakeWritableFile::Write(const uint8_t* pData, size_t nBytes)
{
    if (!m_bOpen)
        return Closed();
    const uint64_t nEnd = m_nPosition + nBytes;
    if (nEnd > m_faults.nSpaceBytes && nEnd > m_bytes.size())
        return Fail(m_faults.nWriteErrno);
    if (nEnd > m_bytes.size())
        m_bytes.resize(static_cast<size_t>(nEnd));
    std::copy(pData, pData + nBytes, m_bytes.begin() + static_cast<std::ptrdiff_t>(m_nPosition));
    m_nPosition = nEnd;
    return {};
}

FileStatus FakeWritableFile::ReadAt(uint64_t nOffset, uint8_t* pData, size_t nBytes, size_t* pnRead)
{
    *pnRead = 0;
    if (!m_bOpen)
        return Closed();
    if (nOffset < m_bytes.size()) {
        *pnRead = static_cast<size_t>(std::min<uint64_t>(nBytes, m_bytes.size() - nOffset));
        std::memcpy(pData, m_bytes.data() + nOffset, *pnRead);
    }
    return {};
}

FileStatus FakeWritableFile::Seek(uint64_t nOffset)
{
    if (!m_bOpen)
        return Closed();
    if (m_faults.bFailSeek)
        return Fail(EIO);
    if (nOffset > m_bytes.size())
        return {EINVAL};
    m_nPosition = nOffset;
    return {};
}

FileStatus FakeWritableFile::Close()
{
    if (!m_bOpen)
        return Closed();
    if (m_faults.bFailClose || !m_rStore.TakeCommit())
        return Fail(m_faults.nCloseErrno);
    return Commit(m_strPath);
}

FileStatus FakeWritableFile::CloseAs(const std::string& strFinalPath)
{
    if (!m_bOpen)
        return Closed();
    if (m_faults.bFailClose)
        return Fail(m_faults.nCloseErrno);
    if (m_rStore.files.count(strFinalPath) != 0)
        return {EEXIST};
    if (!m_rStore.TakeCommit())
        return Fail(m_faults.nCloseErrno);
    return Commit(strFinalPath);
}

FileStatus FakeWritableFile::Commit(const std::string& strPath)
{
    m_rStore.files[strPath] = std::move(m_bytes);
    End();
    m_nFailErrno = EBADF;
    return {};
}

} // namespace ostrel::test
